#pragma once

#include <functional>
#include <optional>
#include <string>

// Where the program keeps its files: the per-user profile under the XDG configuration folder,
// and the configuration folder, which lies under $PUBLIC when that is set and under the XDG
// data folder otherwise. The environment comes in as a lookup so that tests need not change
// the process's own.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
EnvironmentLookup ProcessEnvironment();

// $XDG_CONFIG_HOME/Vantelmark/Lumatrel.ini, with ~/.config when XDG_CONFIG_HOME is unset,
// empty or relative: the vendor's folder holds the application's profile as the vendor's
// registry key held the application's key.
std::string UserProfilePath(const EnvironmentLookup& environment = ProcessEnvironment());

// "<base>/Vantelmark/RKM5/" with a trailing '/': base is $PUBLIC when set and not empty,
// otherwise $XDG_DATA_HOME when absolute, otherwise ~/.local/share.
std::string ConfigurationFolder(const EnvironmentLookup& environment = ProcessEnvironment());

// ConfigurationFolder() + "LastConfig.ini".
std::string LastConfigPath(const EnvironmentLookup& environment = ProcessEnvironment());

bool FolderExists(const std::string& path);

// Creates the folder and any missing folders above it. True when the folder exists afterwards;
// otherwise false, with the reason in error when given.
bool CreateFolders(const std::string& path, std::string* error = nullptr);
