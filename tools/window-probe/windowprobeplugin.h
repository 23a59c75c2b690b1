// Lets the demo and the end-to-end tests see the real updater's windows from the outside.
//
// Loaded into any Qt GUI process started with
//     QT_QPA_GENERIC_PLUGINS=vesk-windowprobe
//     QT_PLUGIN_PATH=<the folder holding "generic/">
//     VESK_WINDOWPROBE_DIR=<folder>
// it keeps the file <folder>/<pid>.json up to date with every visible top-level window: its
// object name, title, native window id and screen rectangle, and for each label, button,
// text pane and progress bar in it the object name, text and screen rectangle. A driver
// then clicks with the real pointer (xdotool) where the window system shows a button. The
// probe only observes; it never touches a widget. The product knows nothing of it.
#ifndef WINDOWPROBEPLUGIN_H
#define WINDOWPROBEPLUGIN_H

#include <QGenericPlugin>

class WindowProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowprobe.json")
public:
    QObject *create(const QString &name, const QString &parameters) override;
};

#endif
