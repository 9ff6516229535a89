// Writer run by tst_editstore and killed in the middle of its work: it turns a
// full network round, each step one editor write through Store.
//
//   editcrash_child <relai.db> <rounds>
//
// Prints "started" once the file is open and whole again, the name of each
// step as it begins, "done" after the last round, "error: ..." and exit code 3
// when a write is refused.

#include "core/store.h"

#include <QCoreApplication>
#include <QVariantList>

#include <cstdio>
#include <unistd.h>

namespace {

[[noreturn]] void die(const QString &what)
{
    std::printf("error: %s\n", qPrintable(what));
    std::fflush(stdout);
    std::exit(3);
}

// The parent reads the last step named before the kill.
void step(const char *name)
{
    std::printf("%s\n", name);
    std::fflush(stdout);
}

Command command(const QString &tx)
{
    Command c;
    c.tx = tx;
    c.rx = QStringLiteral("retour");
    c.wav[0] = QStringLiteral("123");
    c.wav[1] = QStringLiteral("4#");
    c.chemin = QStringLiteral("12-23");
    c.relais = QStringLiteral("123");
    return c;
}

QString nomOf(Store &store, int k)
{
    return store.repeaterRows().value(k - 1).value(1).toString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        die(QStringLiteral("usage: editcrash_child <relai.db> <rounds>"));
    const long rounds = std::atol(argv[2]);
    const QString tag = QString::number(getpid());
    Store store;
    if (store.open(QString::fromLocal8Bit(argv[1])) != Store::OpenResult::Opened)
        die(store.lastError());

    // A former run may have been killed between two writes: fill up again.
    long serial = 0;
    QString error;
    // A new repeater last, with a full command table.
    auto append = [&] {
        const QString nom = QStringLiteral("R%1.%2").arg(tag).arg(++serial);
        QVector<Command> cmds;
        for (int j = 1; j <= Store::MaxCommands; ++j)
            cmds << command(QStringLiteral("%1/%2").arg(nom).arg(j));
        Repeater r;
        r.nom = nom;
        r.dtmf = QStringLiteral("5");
        r.freq = QStringLiteral("10.5");
        if (!store.appendNetwork({r}, {cmds}, &error))
            die(error);
    };
    while (store.repeaterCount() < Store::MaxRepeaters)
        append();
    for (int k = 1; k <= Store::MaxRepeaters; ++k)
        while (store.commandCount(k) < Store::MaxCommands)
            if (!store.insertCommand(k, 0, command(QStringLiteral("%1/%2.%3").arg(nomOf(store, k), tag).arg(++serial)),
                                     &error))
                die(error);

    std::printf("started\n");
    std::fflush(stdout);
    for (long i = 0; i < rounds; ++i) {
        // The first repeater leaves (29 tables renamed) and a new one comes last.
        step("delete");
        if (!store.deleteRepeater(1, &error))
            die(error);
        step("append");
        append();
        // One command of some repeater moves: deleted, then inserted elsewhere.
        step("move");
        const int k = 1 + int(i % Store::MaxRepeaters);
        if (!store.deleteCommand(k, 1 + int(i % 29), &error))
            die(error);
        if (!store.insertCommand(k, 1 + int((i * 7) % 29),
                                 command(QStringLiteral("%1/%2.%3").arg(nomOf(store, k), tag).arg(++serial)), &error))
            die(error);
    }
    std::printf("done\n");
    std::fflush(stdout);
    return 0;
}
