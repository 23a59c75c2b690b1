#include "launchermessages.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
QString updateTitle()
{
    return QCoreApplication::translate("translation", "Update", "program update");
}
}

void showUpdateError(const QString &text)
{
    QMessageBox::critical(nullptr, updateTitle(), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void showUpdateInformation(const QString &text)
{
    QMessageBox::information(nullptr, updateTitle(), text, QMessageBox::Ok, QMessageBox::NoButton);
}
