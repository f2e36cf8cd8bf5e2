#include "migration/tutorial_migration.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "migration/catalogue.h"
#include "migration/file_exist.h"

namespace migration {
namespace {

using platform::Result;
using platform::RuntimeError;

std::wstring operator+(const std::wstring& left, std::wstring_view right) {
    std::wstring joined = left;
    joined.append(right);
    return joined;
}

class Run {
  public:
    explicit Run(const MigrationServices& services) : s_(services) {}

    void Execute() {
        s_.desktop.SetMousePointer(platform::kPointerHourglass);
        root_ = std::wstring(IsTrue(Probe(std::wstring(kRootSelector))) ? kRootWhenSelectorExists
                                                                        : kRootOtherwise);
        if (!Continue(s_.files.MakeFolder(root_)) ||
            !Continue(s_.files.MakeFolder(root_ + kTutorialsFolder))) {
            return;
        }
        if (s_.progress != nullptr) {
            s_.progress->Start(BytesToMove());
        }
        for (const std::wstring_view name : kTutorialCatalogue) {
            s_.status.Write(L"Reading '" + std::wstring(name) + L"' Tutorial", {});
            if (!s_.desktop.ProcessPendingEvents()) {
                // The window was closed during the pass: touch no further file.
                Finish(RunEnd::Abandoned);
                return;
            }
            if (!MoveFirstOldCopy(name)) {
                return;
            }
        }
        Finish(RunEnd::Done);
        s_.status.Write(L"We're Done!", {});
    }

    void Stop(const RuntimeError& failure) {
        s_.status.Write(WithErrorReport(s_.status.Read(), failure), failure.cause);
        Finish(RunEnd::Failed, failure.number);
    }

  private:
    void Finish(RunEnd end, std::int32_t errorNumber = 0) {
        s_.desktop.SetMousePointer(platform::kPointerDefault);
        if (s_.progress != nullptr) {
            s_.progress->Finish(end, errorNumber);
        }
    }

    // The first old copy of every tutorial: what the run will move, as far as known now.
    std::uint64_t BytesToMove() {
        std::uint64_t total = 0;
        for (const std::wstring_view name : kTutorialCatalogue) {
            for (const std::wstring_view prefix : kLegacyPrefixes) {
                if (const auto length = s_.files.QueryLength(root_ + prefix + name); length.ok()) {
                    total += static_cast<std::uint64_t>(std::max<std::int64_t>(length.value(), 0));
                    break;
                }
            }
        }
        return total;
    }

    ProbeResult Probe(const std::wstring& path) { return FileExist(path, s_.files, s_.desktop); }

    // False, once reported, where the step's error stops the run: 75 and 76 do not.
    bool Continue(const Result<void>& step) {
        if (step.ok() || step.error().number == platform::error::kPathFileAccess ||
            step.error().number == platform::error::kPathNotFound) {
            return true;
        }
        Stop(step.error());
        return false;
    }

    // Leftovers never count as tutorials; one that cannot go stays until a step needs its name.
    void DiscardLeftovers(std::wstring_view name) {
        static_cast<void>(s_.files.DiscardLeftovers(root_ + kNewNamePrefix + name));
        for (const std::wstring_view prefix : kLegacyPrefixes) {
            static_cast<void>(s_.files.DiscardLeftovers(root_ + prefix + name));
        }
    }

    bool MoveFirstOldCopy(std::wstring_view name) {
        DiscardLeftovers(name);
        const std::wstring newName = root_ + kNewNamePrefix + name;
        for (const std::wstring_view prefix : kLegacyPrefixes) {
            const std::wstring candidate = root_ + prefix + name;
            if (!IsTrue(Probe(candidate))) {
                continue;
            }
            const auto copied = s_.files.CopyReplacing(candidate, newName);
            if (!copied.ok()) {
                // Without a complete new copy the old file is the only one: keep it.
                return Continue(copied);
            }
            return Continue(s_.files.RemoveFile(candidate));
        }
        return true;
    }

    const MigrationServices& s_;
    std::wstring root_;
};

}  // namespace

std::wstring WithErrorReport(const std::wstring& status, const RuntimeError& failure) {
    return status + L"  " + std::to_wstring(failure.number) + L": " + failure.description;
}

void CheckTutorialFiles(const MigrationServices& services) {
    Run run(services);
    // A fault of the program itself is reported like any other failure.
    try {
        run.Execute();
    } catch (const std::bad_alloc&) {
        run.Stop(platform::OutOfMemory());
    } catch (...) {
        run.Stop(platform::InternalError());
    }
}

}  // namespace migration
