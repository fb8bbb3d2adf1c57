#pragma once

#include "Language.h"

#include <QStringList>
#include <QVariant>

namespace velkor {

// The language to start with: the stored choice when it is one of the four raw values; otherwise
// the first preferred language by plain prefix ("de", "nl", "fr", so "de-AT" is German); otherwise,
// and for an empty list, English.
Language initialLanguage(const QVariant& stored, const QStringList& preferredLanguages);

} // namespace velkor
