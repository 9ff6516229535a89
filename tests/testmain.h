#pragma once

// The test classes of one area run in one program: each file registers its
// class with PONTAVEL_TEST, and testmain.cpp runs them one after the other.

#include <QObject>

#include <utility>
#include <vector>

namespace TestMain {
using Factory = QObject *(*)();
std::vector<std::pair<const char *, Factory>> &classes();
struct Registration
{
    Registration(const char *name, Factory make) { classes().emplace_back(name, make); }
};
} // namespace TestMain

#define PONTAVEL_TEST(Class)                                                                                   \
    static const TestMain::Registration registration_##Class(#Class, []() -> QObject * { return new Class; });
