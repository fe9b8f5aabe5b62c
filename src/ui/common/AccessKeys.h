#pragma once
// Access keys (Alt+letter) of the command buttons. A caption keeps one letter
// in both display languages, so that a technician's keys do not change with
// the language: the English caption marks it where it stands ("&Upload"), a
// caption without that letter gains it in parentheses ("アップロード(&U)"),
// as Japanese software writes access keys.

#include <QString>

// The caption of string `captionId` as a button shows it: with its access key
// where the command has one, else the plain text. A "&" of the text itself
// is kept as a character.
QString CommandCaption(unsigned captionId);

// The access key of a caption marked for Qt ("&Upload" → 'U'), 0 for none.
QChar AccessKeyOf(const QString& caption);
