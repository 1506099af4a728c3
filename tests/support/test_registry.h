// Test classes register themselves under the name of their file, so one executable per folder
// can run any of them by name: `tests_core tst_formats`.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zenlo_test {

using Factory = std::function<std::unique_ptr<QObject>()>;
// Several classes may share a file; they run in the order they registered.
std::map<std::string, std::vector<Factory>>& registry();

struct Registrar {
    Registrar(const char* file, Factory factory);
};

}  // namespace zenlo_test

#define ZENLO_TEST(Class)                                                \
    static const zenlo_test::Registrar zenlo_registrar_##Class(__FILE__, \
                                                               [] { return std::unique_ptr<QObject>(new Class); });
