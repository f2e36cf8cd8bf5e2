#include "fake_file_system.h"

#include <algorithm>
#include <string_view>

namespace fakes {
namespace {

using platform::error::kFileNotFound;
using platform::error::kPathFileAccess;
using platform::error::kPathNotFound;
using platform::error::kPermissionDenied;

std::wstring ParentOf(const std::wstring& path) {
    const auto cut = path.rfind(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// '*' and '?' as Windows reads them; "*.*" also matches names without a dot.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
    if (pattern == L"*.*") pattern = L"*";
    if (pattern.empty()) return name.empty();
    if (pattern[0] == L'*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (Matches(pattern.substr(1), name.substr(skip))) return true;
        }
        return false;
    }
    return !name.empty() && (pattern[0] == L'?' || pattern[0] == name[0]) &&
           Matches(pattern.substr(1), name.substr(1));
}

}  // namespace

void FakeFileSystem::AddFolder(const std::wstring& path) {
    for (auto cut = path.find(L'\\'); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1)) {
        if (const auto prefix = path.substr(0, cut); !IsFolder(prefix)) {
            nodes_[prefix].folder = true;
        }
    }
    if (!IsFolder(path)) nodes_[path].folder = true;
}

void FakeFileSystem::AddFile(const std::wstring& path, std::string content) {
    AddFolder(ParentOf(path));
    nodes_[path] = {false, std::move(content)};
}

std::string FakeFileSystem::Content(const std::wstring& path) const {
    return IsFile(path) ? nodes_.at(path).content : "-";
}

std::vector<std::wstring> FakeFileSystem::Paths(Op op) const {
    std::vector<std::wstring> paths;
    for (const Call& call : calls_) {
        if (call.op == op) paths.push_back(call.path);
    }
    return paths;
}

const FakeFileSystem::Fault* FakeFileSystem::Enter(Op op, const std::wstring& path,
                                                   const std::wstring& second) {
    calls_.push_back({op, path});
    for (const Fault& f : faults_) {
        if (f.op == op && (f.path.empty() || f.path == path || f.path == second)) {
            return &f;
        }
    }
    return nullptr;
}

// With the platform's description for the numbers the tool meets.
platform::RuntimeError FakeFileSystem::Fail(Op op, std::int32_t number) {
    static const std::map<std::int32_t, std::wstring> kDescriptions = {
        {53, L"File not found"},    {57, L"Device I/O error"}, {61, L"Disk full"},
        {70, L"Permission denied"}, {71, L"Disk not ready"},   {75, L"Path/File access error"},
        {76, L"Path not found"},
    };
    const auto known = kDescriptions.find(number);
    failures_.push_back(
        {op,
         {number, known != kDescriptions.end() ? known->second : L"Application-defined error", 0,
          L"the cause of " + std::to_wstring(number)}});
    return failures_.back().error;
}

bool FakeFileSystem::IsFolder(const std::wstring& path) const {
    if (path.size() == 2 && path[1] == L':') return true;
    const auto node = nodes_.find(path);
    return node != nodes_.end() && node->second.folder;
}

bool FakeFileSystem::IsFile(const std::wstring& path) const {
    const auto node = nodes_.find(path);
    return node != nodes_.end() && !node->second.folder;
}

platform::Result<std::int64_t> FakeFileSystem::QueryLength(const std::wstring& path) {
    if (const auto* fault = Enter(Op::QueryLength, path))
        return Fail(Op::QueryLength, fault->number);
    if (const auto forced = lengths_.find(path); forced != lengths_.end()) return forced->second;
    if (IsFile(path)) return static_cast<std::int64_t>(nodes_.at(path).content.size());
    if (nodes_.contains(path)) return std::int64_t{0};
    // A missing parent is "not found" too, as the length query reports it.
    return Fail(Op::QueryLength, kFileNotFound);
}

platform::Result<std::wstring> FakeFileSystem::FindFirstEntry(const std::wstring& pattern,
                                                              std::uint32_t attributeMask) {
    if (const auto* fault = Enter(Op::FindFirstEntry, pattern)) {
        return Fail(Op::FindFirstEntry, fault->number);
    }
    const std::wstring folder = ParentOf(pattern);
    const std::wstring namePattern = pattern.substr(folder.size() + 1);
    for (const auto& [path, node] : nodes_) {
        if (ParentOf(path) != folder ||
            (node.folder && !(attributeMask & platform::kListFolders))) {
            continue;
        }
        if (const auto name = path.substr(folder.size() + 1); Matches(namePattern, name)) {
            return name;
        }
    }
    return std::wstring();
}

platform::Result<void> FakeFileSystem::MakeFolder(const std::wstring& path) {
    if (const auto* fault = Enter(Op::MakeFolder, path)) return Fail(Op::MakeFolder, fault->number);
    if (IsFolder(path) || IsFile(path)) return Fail(Op::MakeFolder, kPathFileAccess);
    if (!IsFolder(ParentOf(path))) return Fail(Op::MakeFolder, kPathNotFound);
    nodes_[path].folder = true;
    return {};
}

platform::Result<void> FakeFileSystem::CopyReplacing(const std::wstring& source,
                                                     const std::wstring& destination) {
    const Op op = Op::CopyReplacing;
    if (const auto* fault = Enter(op, source, destination)) return Fail(op, fault->number);
    if (!IsFile(source))
        return Fail(op, IsFolder(ParentOf(source)) ? kFileNotFound : kPathNotFound);
    if (!IsFolder(ParentOf(destination))) return Fail(op, kPathNotFound);
    if (IsFolder(destination)) return Fail(op, kPathFileAccess);
    // Swapped in whole, as the rename over the new name does, read-only or
    // not, with the source's attributes.
    nodes_[destination] = nodes_.at(source);
    return {};
}

platform::Result<void> FakeFileSystem::RemoveFile(const std::wstring& path) {
    if (const auto* fault = Enter(Op::RemoveFile, path)) return Fail(Op::RemoveFile, fault->number);
    if (!IsFolder(ParentOf(path))) return Fail(Op::RemoveFile, kPathNotFound);
    if (!nodes_.contains(path)) return Fail(Op::RemoveFile, kFileNotFound);
    if (IsFolder(path)) return Fail(Op::RemoveFile, kPermissionDenied);
    nodes_.erase(path);
    return {};
}

platform::Result<void> FakeFileSystem::DiscardLeftovers(const std::wstring& path) {
    const Op op = Op::DiscardLeftovers;
    if (const auto* fault = Enter(op, path)) return Fail(op, fault->number);
    for (const wchar_t* suffix : {L".copying", L".deleting"}) nodes_.erase(path + suffix);
    return {};
}

}  // namespace fakes
