#pragma once

#include <array>
#include <string_view>

namespace migration {

// The tutorial videos, in the order in which a run visits them.
inline constexpr std::array<std::wstring_view, 15> kTutorialCatalogue = {
    L"Brasol.avi",      L"Tindel.avi",        L"Mavrek.avi",
    L"KesselFasks.avi", L"DornFask.avi",      L"WimbleFasks.avi",
    L"Zent.avi",        L"HalvoMosk.avi",     L"GrenMosk.avi",
    L"PrevaMosk.avi",   L"CorlyVashen.avi",   L"Stalver.avi",
    L"Orbel_Finks.avi", L"Orbel_Trasque.avi", L"Orbel_Trasque_Vashen.avi",
};

// Where an old copy of a tutorial may be, under the install root, in the order tried.
inline constexpr std::array<std::wstring_view, 3> kLegacyPrefixes = {
    L"\\Tutorials\\V3_", L"\\Tutorials\\V4_", L"\\Tutorials\\"};

inline constexpr std::wstring_view kNewNamePrefix = L"\\Tutorials\\ZV_";

// The install root is chosen by whether the 32-bit Program Files folder exists.
inline constexpr std::wstring_view kRootSelector = L"C:\\Program Files (x86)";
inline constexpr std::wstring_view kRootWhenSelectorExists = L"C:\\Program Files (x86)\\Zorvel Pro";
inline constexpr std::wstring_view kRootOtherwise = L"C:\\Program Files\\Zorvel Pro";
inline constexpr std::wstring_view kTutorialsFolder = L"\\Tutorials";

}  // namespace migration
