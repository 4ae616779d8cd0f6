// make_config_schema: writes the JSON Schema of the configuration text (docs/configuration.schema.json)
// from the code, or checks that the committed one is what the code gives now.
//
//   make_config_schema --write FILE | --check FILE

#include "k6text/config_json.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args[1] != "--write" && args[1] != "--check")) {
        std::fprintf(stderr, "usage: make_config_schema --write FILE | --check FILE\n");
        return 2;
    }
    const QByteArray schema = dalvex::k6text::JsonSchema();
    QFile committed(args[2]);
    const bool same = committed.open(QIODevice::ReadOnly) && committed.readAll() == schema;
    if (args[1] == "--check") {
        if (same) return 0;
        std::fprintf(stderr, "%s is not what the code gives now; regenerate it with "
                             "`cmake --build <build folder> --target config_schema` and commit it.\n",
                     qPrintable(args[2]));
        return 1;
    }
    if (same) return 0;
    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(schema) != schema.size() || !out.commit()) {
        std::fprintf(stderr, "make_config_schema: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
