#pragma once

class QCoreApplication;

// The program is Chinese whatever the system's locale (Debian's default is
// C.UTF-8): dates, the calendar and Qt's own buttons and texts.
namespace ChineseLocale {

// Makes Chinese (China) the default locale and loads Qt's own texts in
// Simplified Chinese when they are installed (the translator lives as long as
// the application). Call once after the application object is made and before
// any widget, so that every widget takes the Chinese locale.
void install(QCoreApplication &app);

} // namespace ChineseLocale
