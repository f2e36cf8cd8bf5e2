#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace fakes {

enum class Op {
    QueryLength,
    FindFirstEntry,
    MakeFolder,
    CopyReplacing,
    RemoveFile,
    DiscardLeftovers
};

// An in-memory tree of drives, folders and files with Windows semantics. Paths
// are compared exactly: the run builds every path from the same constants, so
// folding case would only hide a misspelt one. Drives ("C:") always exist.
class FakeFileSystem : public platform::FileSystem {
  public:
    struct Node {
        bool folder = false;
        std::string content;
        friend bool operator==(const Node&, const Node&) = default;
    };
    // Fails matching calls before they change anything.
    struct Fault {
        Op op;
        std::int32_t number;
        std::wstring path = {};  // Source or destination named; empty for any path.
    };
    struct Call {
        Op op;
        std::wstring path;
    };
    struct Failure {
        Op op;
        platform::RuntimeError error;
    };

    // Both make any missing parent folders.
    void AddFolder(const std::wstring& path);
    void AddFile(const std::wstring& path, std::string content);
    // QueryLength answers this length for the path, whatever is there.
    void SetLength(const std::wstring& path, std::int64_t length) { lengths_[path] = length; }
    void Inject(Fault fault) { faults_.push_back(std::move(fault)); }
    void ClearFaults() { faults_.clear(); }

    const std::map<std::wstring, Node>& Nodes() const { return nodes_; }
    bool Has(const std::wstring& path) const { return nodes_.contains(path); }
    std::string Content(const std::wstring& path) const;  // "-" when no file is there.
    const std::vector<Call>& Calls() const { return calls_; }
    // The path of every call of one operation, in order.
    std::vector<std::wstring> Paths(Op op) const;
    // Every failure returned, injected or not.
    const std::vector<Failure>& Failures() const { return failures_; }

    platform::Result<std::int64_t> QueryLength(const std::wstring& path) override;
    platform::Result<std::wstring> FindFirstEntry(const std::wstring& pattern,
                                                  std::uint32_t attributeMask) override;
    platform::Result<void> MakeFolder(const std::wstring& path) override;
    platform::Result<void> CopyReplacing(const std::wstring& source,
                                         const std::wstring& destination) override;
    platform::Result<void> RemoveFile(const std::wstring& path) override;
    // Removes the files named like the path with ".copying" or ".deleting" added.
    platform::Result<void> DiscardLeftovers(const std::wstring& path) override;

  private:
    // Logs the call and returns the injected fault that matches it, if any.
    const Fault* Enter(Op op, const std::wstring& path, const std::wstring& second = {});
    platform::RuntimeError Fail(Op op, std::int32_t number);
    bool IsFolder(const std::wstring& path) const;
    bool IsFile(const std::wstring& path) const;

    std::map<std::wstring, Node> nodes_;
    std::map<std::wstring, std::int64_t> lengths_;
    std::vector<Fault> faults_;
    std::vector<Call> calls_;
    std::vector<Failure> failures_;
};

}  // namespace fakes
