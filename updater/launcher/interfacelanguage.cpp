#include "interfacelanguage.h"

#include <QTranslator>

// Placeholder until the language step lands.
InterfaceLanguage::InterfaceLanguage(QTranslator &) {}
InterfaceLanguage::~InterfaceLanguage() = default;
