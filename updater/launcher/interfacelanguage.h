#ifndef INTERFACELANGUAGE_H
#define INTERFACELANGUAGE_H

class QTranslator;

// Finds the client's settings, chooses the interface language and installs its catalogue
// into the given translator. The settings stay open for the object's lifetime.
class InterfaceLanguage
{
public:
    explicit InterfaceLanguage(QTranslator &translator);
    ~InterfaceLanguage();
};

#endif
