// Runs one registered test class (by file name) or all of them.
#include <QtTest>

#include "support/test_registry.h"

#ifdef ZENLO_GUI_TESTS
#include "core/ui/guard.h"
using App = GuardedApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

int main(int argc, char** argv) {
    App app(argc, argv);
    std::vector<char*> rest;
    rest.push_back(argv[0]);
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (only.empty() && argv[i][0] != '-' && zenlo_test::registry().count(argv[i])) {
            only = argv[i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    int failures = 0;
    for (auto& [name, factories] : zenlo_test::registry()) {
        if (!only.empty() && name != only) continue;
        for (auto& factory : factories) {
            std::unique_ptr<QObject> test = factory();
            failures += QTest::qExec(test.get(), int(rest.size()), rest.data());
        }
    }
    return failures == 0 ? 0 : 1;
}
