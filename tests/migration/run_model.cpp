#include "run_model.h"

#include "migration/catalogue.h"

namespace model {
namespace {

using migration::kLegacyPrefixes;
using migration::kNewNamePrefix;
using migration::kTutorialCatalogue;

std::wstring Join(std::wstring left, std::wstring_view middle, std::wstring_view right = {}) {
    return left.append(middle).append(right);
}

bool IsFolder(const Snapshot& files, const std::wstring& path) {
    const auto node = files.find(path);
    return path == L"C:" || (node != files.end() && node->second.folder);
}

void MakeFolder(Snapshot& files, const std::wstring& path) {
    if (!files.contains(path) && IsFolder(files, path.substr(0, path.rfind(L'\\')))) {
        files[path].folder = true;
    }
}

}  // namespace

std::wstring RootOf(const Snapshot& files) {
    return std::wstring(files.contains(std::wstring(migration::kRootSelector))
                            ? migration::kRootWhenSelectorExists
                            : migration::kRootOtherwise);
}

Snapshot AfterRuns(Snapshot files, int runs) {
    const std::wstring root = RootOf(files);
    for (int run = 0; run < runs; ++run) {
        MakeFolder(files, root);
        MakeFolder(files, Join(root, migration::kTutorialsFolder));
        for (const auto name : kTutorialCatalogue) {
            for (const auto prefix : kLegacyPrefixes) {
                const auto old = files.find(Join(root, prefix, name));
                if (old != files.end()) {
                    files[Join(root, kNewNamePrefix, name)] = {false, old->second.content, false};
                    files.erase(old);
                    break;
                }
            }
        }
    }
    return files;
}

}  // namespace model
