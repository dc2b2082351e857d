#pragma once

class QLocale;

namespace jiujiu {

// The window's language: English under an English locale (LANG=en_US.UTF-8), the form's
// Chinese, its source language, under any other. The English translation is built into the
// program. Answers whether the English one was put in; once in, later calls change nothing.
bool InstallInterfaceLanguage(const QLocale &locale);

// Whether the English translation is in: texts the core writes in both languages follow it.
bool InterfaceIsEnglish();

// Takes the translation out again (the window's texts made later are Chinese).
void RemoveInterfaceLanguage();

} // namespace jiujiu
