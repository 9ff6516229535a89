// The store reading a relai.db image: open and its checks, the repeaters, the
// settings row and the command tables.
#include "store/store.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {
QTemporaryDir *dir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    dir = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = dir->filePath(QStringLiteral("relai.db"));
    QFile::remove(path + QStringLiteral("-journal"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Store store;
    if (store.open(path) == Store::OpenResult::Failed)
        return 0;
    store.settings().displayMinutes();
    const QVector<Repeater> list = store.repeaters();
    for (int n = 1; n <= std::min<int>(3, int(list.size()) + 1); ++n) {
        QStringList skipped;
        store.commands(n, nullptr, &skipped);
    }
    store.repeaterRows();
    return 0;
}
