#include "support/TempFolder.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <string>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumatrel-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("TempFolder: mkdtemp failed");
    }
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path TempFolder::Touch(const std::string& relative) const {
    const std::filesystem::path path = m_path / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream{path};
    return path;
}
