#include "run_model.h"

#include <utility>

#include "migration/catalogue.h"

namespace model {
namespace {

using fakes::Op;
using migration::kLegacyPrefixes;
using migration::kNewNamePrefix;
using migration::kTutorialCatalogue;

std::wstring Join(std::wstring left, std::wstring_view middle, std::wstring_view right = {}) {
    return left.append(middle).append(right);
}

}  // namespace

std::wstring RootOf(const Snapshot& files, const Fault& fault) {
    const std::wstring selector(migration::kRootSelector);
    const bool seen =
        files.contains(selector) && !(fault.op == Op::QueryLength && fault.path == selector);
    return std::wstring(seen ? migration::kRootWhenSelectorExists : migration::kRootOtherwise);
}

Outcome AfterRun(Snapshot files, const Fault& fault) {
    const auto fails = [&fault](Op op, const std::wstring& path) {
        return fault.op == op && fault.path == path;
    };
    const std::wstring root = RootOf(files, fault);
    for (const auto& folder : {root, Join(root, migration::kTutorialsFolder)}) {
        if (fails(Op::MakeFolder, folder)) {
            if (fault.stops) return {files, 0};
        } else if (const auto parent = folder.substr(0, folder.rfind(L'\\'));
                   !files.contains(folder) &&
                   (parent == L"C:" || (files.contains(parent) && files.at(parent).folder))) {
            files[folder].folder = true;
        }
    }
    std::size_t readings = 0;
    for (const auto name : kTutorialCatalogue) {
        ++readings;
        // A leftover that cannot go stays for the next run: nothing stops.
        const std::wstring newName = Join(root, kNewNamePrefix, name);
        for (const auto prefix : kLegacyPrefixes) {
            const std::wstring oldName = Join(root, prefix, name);
            const auto old = files.find(oldName);
            if (old == files.end() || fails(Op::QueryLength, oldName)) continue;
            const bool copyFails = fails(Op::CopyReplacing, oldName);
            const bool removeFails = !copyFails && fails(Op::RemoveFile, oldName);
            if (!copyFails) files[newName] = {false, old->second.content, false};
            if (!copyFails && !removeFails) files.erase(oldName);
            if ((copyFails || removeFails) && fault.stops) return {files, readings};
            break;
        }
    }
    return {files, readings};
}

Snapshot AfterRuns(Snapshot files, int runs) {
    for (int run = 0; run < runs; ++run) files = AfterRun(std::move(files)).files;
    return files;
}

}  // namespace model
