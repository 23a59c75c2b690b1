#include "entrypoint.h"

#include "interfacelanguage.h"

#include <QApplication>
#include <QTranslator>

int runUpdater(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(updater);
    QTranslator translator;
    InterfaceLanguage language(translator);
    return 0;
}
