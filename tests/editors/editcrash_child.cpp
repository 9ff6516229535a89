// Writer run by tst_editstore and killed in the middle of its work: it turns a
// full network round, each step one editor write through Store.
//   editcrash_child <relai.db> <rounds>
// Prints "started" once the file is open and whole again, the name of each
// step as it begins, "done" after the last round, "error: ..." and exit code 3
// when a write is refused.

#include "store/schema.h"
#include "store/store.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

// The parent reads the last line printed before the kill.
void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void check(bool ok, const QString &error)
{
    if (!ok) {
        say("error: " + error);
        std::exit(3);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Store store;
    check(argc == 3, "usage: editcrash_child <relai.db> <rounds>");
    check(store.open(QString::fromLocal8Bit(argv[1])) == Store::OpenResult::Opened, store.lastError());
    const QString tag = QString::number(getpid());
    long serial = 0;
    QString error;
    // A new command of the repeater named `nom`: its Tx starts with that name.
    auto command = [&](const QString &nom) {
        return Command{0, QStringLiteral("%1/%2.%3").arg(nom, tag).arg(++serial), "retour", {"123", "4#"}, "12-23", "123"};
    };
    auto nomOf = [&](int k) { return store.repeaterRows().value(k - 1).value(1).toString(); };
    // A new repeater last, with a full command table.
    auto append = [&] {
        Repeater r{0, QStringLiteral("R%1.%2").arg(tag).arg(++serial), "5", "10.5"};
        QVector<Command> cmds;
        for (int j = 1; j <= Schema::MaxCommands; ++j)
            cmds << command(r.nom);
        check(store.appendNetwork({r}, {cmds}, &error), error);
    };
    // A former run may have been killed between two writes: fill up again.
    while (store.repeaterCount() < Schema::MaxRepeaters)
        append();
    for (int k = 1; k <= Schema::MaxRepeaters; ++k)
        while (store.commandCount(k) < Schema::MaxCommands)
            check(store.insertCommand(k, 0, command(nomOf(k)), &error), error);
    say("started");
    for (long i = 0; i < std::atol(argv[2]); ++i) {
        // The first repeater leaves (29 tables renamed) and a new one comes last.
        say("delete");
        check(store.deleteRepeater(1, &error), error);
        say("append");
        append();
        // One command of some repeater moves: deleted, then inserted elsewhere.
        say("move");
        const int k = 1 + int(i % Schema::MaxRepeaters);
        check(store.deleteCommand(k, 1 + int(i % 29), &error), error);
        check(store.insertCommand(k, 1 + int((i * 7) % 29), command(nomOf(k)), &error), error);
    }
    say("done");
    return 0;
}
