// A generic plugin that lets process-level tests watch the real updater from the inside.
//
// Loaded into any Qt GUI process started with
//     QT_QPA_GENERIC_PLUGINS=vesk-boxprobe
//     QT_PLUGIN_PATH=<the folder holding "generic/">
// (tests get both, and the log path, from BoxProbe::environment() in tests/support/boxprobe.h).
// It appends one JSON line per event to the file named by VESK_BOXPROBE_LOG:
//     {"kind":"start","pid":..,"arguments":[..]}   when the process creates its application
//     {"kind":"box","pid":..,"icon":..,"title":..,"text":..,"buttons":..,"default":..}
//                                                   for every message box shown, which it then
//                                                   answers with VESK_BOXPROBE_ANSWER (a
//                                                   QMessageBox::StandardButton name, default Ok)
//     {"kind":"window","pid":..,"class":..,"title":..}
//                                                   for any other top-level window, which it closes
//                                                   only when VESK_BOXPROBE_CLOSE_WINDOWS=1
//     {"kind":"end","pid":..}                       when the application object is destroyed
// The product knows nothing of it.
#ifndef BOXPROBEPLUGIN_H
#define BOXPROBEPLUGIN_H

#include <QGenericPlugin>

class BoxProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "boxprobe.json")
public:
    QObject *create(const QString &name, const QString &parameters) override;
};

#endif
