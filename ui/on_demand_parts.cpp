#include "on_demand_parts.h"

#include <QCoreApplication>
#include <QDir>
#include <dlfcn.h>

namespace dalvex {

namespace {

struct Loaded {
    const OnDemandParts* parts = nullptr;
    QString error;
};

Loaded Load() {
    // Installed: the module in the library folder that belongs to the program's folder. In the build
    // tree: the programs' run path names the folder the module is built in, which dlopen() follows
    // for a bare name when it is called from the program itself.
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral(DALVEX_PARTS_RELATIVE_DIR "/" DALVEX_PARTS_FILE));
    candidates << QStringLiteral(DALVEX_PARTS_FILE);
    QString error;
    for (const QString& name : candidates) {
        void* module = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            if (error.isEmpty()) error = QString::fromLocal8Bit(dlerror());
            continue;
        }
        using Entry = const OnDemandParts* (*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(module, "dalvex_on_demand_parts"));
        const OnDemandParts* parts = entry ? entry() : nullptr;
        if (parts && parts->version == kPartsVersion) return {parts, {}};
        error = name + QStringLiteral(": not this program's module");
        dlclose(module);
    }
    return {nullptr, error};
}

} // namespace

const OnDemandParts* LoadOnDemandParts(QString* error) {
    static const Loaded loaded = Load();
    if (!loaded.parts && error) *error = loaded.error;
    return loaded.parts;
}

} // namespace dalvex
