// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/backends.h"

#include <dlfcn.h>

namespace lumivex::codec {

void *loadLibrary(const char *soname, const char *label, QString *missing)
{
    void *library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        *missing = QLatin1String(label) + QStringLiteral(" could not be loaded: ") + QString::fromLocal8Bit(dlerror());
    return library;
}

void *librarySymbol(void *library, const char *name, const char *label, QString *missing)
{
    void *symbol = dlsym(library, name);
    if (!symbol)
        *missing = QLatin1String(label) + QStringLiteral(" has no ") + QLatin1String(name);
    return symbol;
}

} // namespace lumivex::codec
