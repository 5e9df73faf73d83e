#pragma once
// Skin set-up, once at start before any window: the resource folder, the
// package from the program's resources and the multi-language tables.

#include "ui/skin/skin_files.h"

#include <windows.h>

#include <string>

namespace ui {
namespace skin {

// The package resource: type "ZIPRES", id 130.
extern const wchar_t* const kPackageResourceType;
const int kPackageResourceId = 130;

// Unpacks the module's package resource; a missing or empty resource
// leaves the table empty.
bool loadPackageResource(HMODULE module, FileTable& files);

// Loads multi_language.tsv, multi_language_online.tsv and
// multi_language_patch.tsv through the lookup; returns how many were used.
int loadMultiLanguageTables(const SkinFiles& files);

// Whether a "skin" folder beside the program replaces files of the package:
// in developer and test builds; a release build reads its own package only.
enum class SkinFolder { Used, Ignored };

// programFolder ends with a separator; its "skin" subfolder, if present and
// used, becomes the resource folder. No exception leaves it.
void setupSkin(HMODULE module, const std::wstring& programFolder, SkinFolder use = SkinFolder::Used);
void setupSkin(HMODULE module, SkinFolder use);

} // namespace skin
} // namespace ui
