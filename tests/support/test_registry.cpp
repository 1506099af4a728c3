// Test classes register themselves under the name of their file.
#include "support/test_registry.h"

#include <string_view>

namespace zenlo_test {

std::map<std::string, std::vector<Factory>>& registry() {
    static std::map<std::string, std::vector<Factory>> tests;
    return tests;
}

Registrar::Registrar(const char* file, Factory factory) {
    std::string_view path(file);
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const auto dot = path.find('.');
    registry()[std::string(path.substr(0, dot))].push_back(std::move(factory));
}

}  // namespace zenlo_test
