#pragma once

#include <QString>
#include <QtGlobal>

namespace velkor::platform {

// Parts of the program that need large libraries (sound output, charts) are modules loaded once
// the window is up, so those libraries do not lengthen the start. They live in Contents/PlugIns
// of the running bundle.
QString bundledModuleFolder();
// Points module loading at another folder: the test programs, which run outside any bundle.
void setBundledModuleFolder(const QString& folder);

// Loads lib<name>.so from the module folder (once; it stays loaded) and returns the address of
// `symbol`, or nullptr after logging why when the module or the symbol is missing.
QFunctionPointer resolveBundledModule(const QString& name, const char* symbol);

// The same, typed as the entry point `Entry` (a pointer to an extern "C" function).
template <typename Entry>
Entry resolveBundledEntry(const QString& name, const char* symbol) {
    return reinterpret_cast<Entry>(resolveBundledModule(name, symbol));
}

} // namespace velkor::platform
