#pragma once
// The subcommands. Each runs one operation of the K6 window through a Session and returns the
// program's exit status.

#include "cli/session.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace dalvex::cli {

struct Request {
    Options options;
    QStringList positional;
    QHash<QString, QString> values;
    QSet<QString> flags;
};

struct Command {
    const char* name;
    int positional; // how many file arguments it takes
    int (*run)(const Request&);
    const char* instead = nullptr; // a flag that stands for the file arguments ("send --again")
};

const Command* FindCommand(const QString& name);

} // namespace dalvex::cli
