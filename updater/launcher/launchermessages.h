#ifndef LAUNCHERMESSAGES_H
#define LAUNCHERMESSAGES_H

class QString;

// The entry function's message boxes: titled "Update", button Ok, no default button.
void showUpdateError(const QString &text);
void showUpdateInformation(const QString &text);

#endif
