#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& Path() const { return m_path; }
    // Creates an empty file at the relative path, with its folders.
    std::filesystem::path Touch(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};
