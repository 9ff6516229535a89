#include "testmain.h"

#include <QApplication>
#include <QtTest>

#include <memory>

std::vector<std::pair<const char *, TestMain::Factory>> &TestMain::classes()
{
    static std::vector<std::pair<const char *, Factory>> all;
    return all;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // A test function named on the command line runs in the classes that have it.
    QByteArray only;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            only = QByteArray(argv[i]).split(':').first() + "()";
    int failed = 0;
    for (const auto &[name, make] : TestMain::classes()) {
        std::unique_ptr<QObject> test(make());
        if (!only.isEmpty() && test->metaObject()->indexOfMethod(only.constData()) < 0)
            continue;
        if (QTest::qExec(test.get(), argc, argv) != 0)
            ++failed;
    }
    return failed;
}
