#include "on_demand_parts.h"

#include <QCoreApplication>
#include <QDir>
#include <cstddef>
#include <dlfcn.h>
#include <vector>

namespace dalvex {

namespace {

struct Loaded {
    const OnDemandParts* parts = nullptr;
    QString error;
};

// The folders the dynamic loader searches for the program's own libraries, its run path first.
QStringList ProgramSearchPath() {
    QStringList folders;
    void* self = dlopen(nullptr, RTLD_NOW);
    if (!self) return folders;
    Dl_serinfo size{};
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
        *info = size;
        if (dlinfo(self, RTLD_DI_SERINFOSIZE, info) == 0 && dlinfo(self, RTLD_DI_SERINFO, info) == 0)
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                folders << QFile::decodeName(info->dls_serpath[i].dls_name);
    }
    dlclose(self);
    return folders;
}

Loaded Load() {
    // Installed: the module in the library folder that belongs to the program's folder. In the build
    // tree: the programs' run path names the folder the module is built in, which dlopen() follows
    // for a bare name when it is called from the program itself.
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral(DALVEX_PARTS_RELATIVE_DIR "/" DALVEX_PARTS_FILE));
    candidates << QStringLiteral(DALVEX_PARTS_FILE);
    // The same run path spelt out: a dlopen() that a sanitizer intercepts is called from the
    // sanitizer's library, whose run path is not the program's.
    for (const QString& folder : ProgramSearchPath())
        candidates << QDir(folder).filePath(QStringLiteral(DALVEX_PARTS_FILE));
    QString error;
    for (const QString& name : candidates) {
        void* module = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            // Every place tried, so a module that is found but cannot load says why.
            if (!error.isEmpty()) error += QStringLiteral("; ");
            error += QString::fromLocal8Bit(dlerror());
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
