#include "project/tree_count.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "platform/file_read.h"
#include "platform/parallel.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "project/pair_count.h"
#include "text/encoding.h"

namespace tavelin::project {

std::string_view statusName(RowStatus status) {
    switch (status) {
        case RowStatus::Added:
            return "added";
        case RowStatus::Deleted:
            return "deleted";
        case RowStatus::Changed:
            return "changed";
        case RowStatus::Unchanged:
            return "unchanged";
        case RowStatus::Moved:
            return "moved";
        case RowStatus::Renamed:
            return "renamed";
        case RowStatus::Skipped:
            return "skipped";
        case RowStatus::Failed:
            return "unreadable";
    }
    return "skipped";
}

bool isChange(RowStatus status) {
    return status == RowStatus::Changed || status == RowStatus::Added ||
           status == RowStatus::Deleted || status == RowStatus::Renamed;
}

bool rowBefore(const FileRow& a, const FileRow& b) {
    return a.path != b.path ? a.path < b.path : a.beforePath < b.beforePath;
}

bool looksBinary(std::span<const unsigned char> bytes) {
    const std::span<const unsigned char> head =
        bytes.first(std::min<std::size_t>(bytes.size(), 8192));
    if (std::find(head.begin(), head.end(), 0) == head.end()) {
        return false;
    }
    return detectEncoding(bytes).utf16 == 0;
}

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), lowerAscii);
    return s;
}

}  // namespace

std::string reportFileName(std::string_view path, std::unordered_set<std::string>& taken) {
    constexpr std::size_t kMaxStem = 120;
    std::string stem;
    for (char c : path) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        stem.push_back(safe ? c : '_');
    }
    // No hidden file, no name of dots only.
    if (stem.empty() || stem.front() == '.') {
        stem.insert(stem.begin(), '_');
    }
    if (stem.size() > kMaxStem) {
        stem.erase(0, stem.size() - kMaxStem);
        stem.front() = '_';
    }
    std::string name = stem + ".html";
    for (int n = 2; lower(name) == "index.html" || !taken.insert(lower(name)).second; ++n) {
        name = stem + "~" + std::to_string(n) + ".html";
    }
    return name;
}

namespace {

// One file to count: the entries of each side (nullptr when absent) and what they are.
struct Job {
    const TreeEntry* after = nullptr;
    const TreeEntry* before = nullptr;
    RowStatus status = RowStatus::Changed;  // Added, Deleted, Changed (Unchanged found later),
                                            // Moved, Renamed
    std::string language;
    std::string report;
};

// The bytes of both sides of the pair a worker counts, kept between pairs.
using SideBytes = std::array<std::vector<unsigned char>, kSides>;

std::string definitionName(const CountSetup& setup, int index) {
    const ExtensionDefinition* def = setup.extensions.find(index);
    return def == nullptr ? std::string() : def->name;
}

FileRow skippedRow(const std::string& path, std::string reason, RowStatus status) {
    FileRow row;
    row.path = path;
    row.status = status;
    row.reason = std::move(reason);
    return row;
}

std::string kindReason(EntryKind kind) {
    switch (kind) {
        case EntryKind::Link:
            return "symbolic link";
        case EntryKind::Special:
            return "special file";
        case EntryKind::FolderError:
            return "folder cannot be listed";
        case EntryKind::File:
            break;
    }
    return {};
}

// The identity of a file's bytes for the moved-file search: the blob id of a repository, else
// the size and a hash of the bytes.
std::string contentKey(const TreeSource& tree, const TreeEntry& e) {
    if (!e.id.empty()) {
        return e.id;
    }
    std::vector<unsigned char> bytes;
    std::string problem;
    if (!tree.read(e, bytes, problem)) {
        return {};
    }
    // FNV-1a, 64 bits: the pair found is confirmed byte by byte when it is counted.
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char b : bytes) {
        h = (h ^ b) * 1099511628211ULL;
    }
    return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

class Runner {
  public:
    Runner(const CountSetup& setup, TreeSource& before, TreeSource& after,
           const CountOptions& options, const CountCallbacks& callbacks)
        : setup_(setup), before_(before), after_(after), options_(options), cb_(callbacks) {}

    TreeCount run() {
        afterEntries_ = after_.list(options_.filter);
        beforeEntries_ = before_.list(options_.filter);
        plan();
        result_.total = jobs_.size() + direct_.size();
        for (FileRow& row : direct_) {
            finish(std::move(row));
        }
        direct_.clear();
        const unsigned workers = std::max(
            1U, std::min<unsigned>(options_.jobs == 0 ? processorCount() : options_.jobs,
                                   static_cast<unsigned>(std::max<std::size_t>(jobs_.size(), 1))));
        // With several workers every pair is counted on one thread: the workers keep the
        // processors busy, and no thread is started per pair.
        const bool oneThreadEach = workers > 1;
        std::vector<std::thread> threads;
        for (unsigned i = 1; i < workers; ++i) {
            threads.emplace_back([this, oneThreadEach] { work(oneThreadEach); });
        }
        work(oneThreadEach);
        for (std::thread& t : threads) {
            t.join();
        }
        result_.cancelled = cancelled();
        result_.reportsFailed = reportsFailed_.load();
        std::sort(result_.rows.begin(), result_.rows.end(), rowBefore);
        return std::move(result_);
    }

  private:
    bool cancelled() const {
        return cb_.cancel != nullptr && cb_.cancel->load(std::memory_order_relaxed);
    }

    // A row for a file that is not counted: a folder that could not be read on either side, or
    // an entry that is no regular file. False when the pair can be counted.
    bool notCounted(const TreeEntry* a, const TreeEntry* b) {
        if (a->kind == EntryKind::FolderError ||
            (b != nullptr && b->kind == EntryKind::FolderError)) {
            const TreeEntry* bad = a->kind == EntryKind::FolderError ? a : b;
            direct_.push_back(skippedRow(a->path, kindReason(bad->kind) + ": " + bad->problem,
                                         RowStatus::Failed));
            return true;
        }
        if (a->kind != EntryKind::File || (b != nullptr && b->kind != EntryKind::File)) {
            direct_.push_back(skippedRow(a->path,
                                         kindReason(a->kind != EntryKind::File ? a->kind : b->kind),
                                         RowStatus::Skipped));
            return true;
        }
        return false;
    }

    // Whether a definition fits the file (its language kept for the row), else a skipped row.
    bool hasLanguage(const TreeEntry* e) {
        const int index = definitionForName(setup_, e->path);
        if (index < 0) {
            direct_.push_back(skippedRow(e->path, "no language definition", RowStatus::Skipped));
            return false;
        }
        languages_[e] = definitionName(setup_, index);
        return true;
    }

    // A pair to count; its row takes the language of the after file, or of the before file
    // when there is none.
    void addJob(const TreeEntry* after, const TreeEntry* before, RowStatus status) {
        Job job;
        job.after = after;
        job.before = before;
        job.status = status;
        job.language = languages_[after != nullptr ? after : before];
        jobs_.push_back(std::move(job));
    }

    void plan() {
        std::map<std::string_view, const TreeEntry*> after;
        std::map<std::string_view, const TreeEntry*> before;
        for (const TreeEntry& e : afterEntries_) {
            after.emplace(e.path, &e);
        }
        for (const TreeEntry& e : beforeEntries_) {
            before.emplace(e.path, &e);
        }
        std::vector<const TreeEntry*> addedOnly;
        std::vector<const TreeEntry*> deletedOnly;
        for (const auto& [path, a] : after) {
            const auto found = before.find(path);
            const TreeEntry* b = found == before.end() ? nullptr : found->second;
            if (notCounted(a, b) || !hasLanguage(a)) {
                continue;
            }
            if (b == nullptr) {
                addedOnly.push_back(a);
            } else {
                addJob(a, b, RowStatus::Changed);
            }
        }
        for (const auto& [path, b] : before) {
            if (after.count(path) == 0 && !notCounted(b, nullptr) && hasLanguage(b)) {
                deletedOnly.push_back(b);
            }
        }
        pairMoved(addedOnly, deletedOnly);
        if (options_.renames) {
            pairRenamed(addedOnly, deletedOnly);
        }
        for (const TreeEntry* a : addedOnly) {
            addJob(a, nullptr, RowStatus::Added);
        }
        for (const TreeEntry* b : deletedOnly) {
            addJob(nullptr, b, RowStatus::Deleted);
        }
        // Report names in path order, so that they do not depend on the order of finishing.
        std::sort(jobs_.begin(), jobs_.end(), [](const Job& x, const Job& y) {
            return (x.after ? x.after : x.before)->path < (y.after ? y.after : y.before)->path;
        });
        if (!options_.reportFolder.empty()) {
            std::unordered_set<std::string> taken;
            for (Job& job : jobs_) {
                if (job.status != RowStatus::Moved) {
                    job.report = reportFileName((job.after ? job.after : job.before)->path, taken);
                }
            }
        }
    }

    // Unpaired files with the same bytes on both sides: moved. Files of the same name pair
    // first, then the rest in path order.
    void pairMoved(std::vector<const TreeEntry*>& added, std::vector<const TreeEntry*>& deleted) {
        if (added.empty() || deleted.empty()) {
            return;
        }
        // Only files whose size (or id) appears on the other side need their bytes hashed.
        auto sizeOf = [](const TreeSource& tree, const TreeEntry* e) -> std::int64_t {
            if (!e->id.empty()) {
                return -1;
            }
            std::error_code ec;
            const auto n = std::filesystem::file_size(tree.diskPath(e->path), ec);
            return ec ? -2 : static_cast<std::int64_t>(n);
        };
        std::vector<std::int64_t> deletedSizes;
        deletedSizes.reserve(deleted.size());
        std::unordered_map<std::int64_t, int> beforeSizes;
        for (const TreeEntry* b : deleted) {
            deletedSizes.push_back(sizeOf(before_, b));
            ++beforeSizes[deletedSizes.back()];
        }
        std::map<std::string, std::vector<const TreeEntry*>> byKey;
        std::unordered_map<std::int64_t, int> afterSizes;
        for (const TreeEntry* a : added) {
            const std::int64_t size = sizeOf(after_, a);
            if (size != -2 && beforeSizes.count(size) != 0) {
                ++afterSizes[size];
                const std::string key = contentKey(after_, *a);
                if (!key.empty()) {
                    byKey[key].push_back(a);
                }
            }
        }
        std::map<std::string, std::vector<const TreeEntry*>> beforeByKey;
        for (std::size_t i = 0; i < deleted.size(); ++i) {
            const TreeEntry* b = deleted[i];
            const std::int64_t size = deletedSizes[i];
            if (size != -2 && afterSizes.count(size) != 0) {
                const std::string key = contentKey(before_, *b);
                if (byKey.count(key) != 0) {
                    beforeByKey[key].push_back(b);
                }
            }
        }
        std::unordered_set<const TreeEntry*> used;
        for (auto& group : byKey) {
            const std::vector<const TreeEntry*>& as = group.second;
            auto found = beforeByKey.find(group.first);
            if (found == beforeByKey.end()) {
                continue;
            }
            std::vector<const TreeEntry*>& bs = found->second;
            std::vector<bool> aUsed(as.size(), false);
            std::vector<bool> bUsed(bs.size(), false);
            auto take = [&](std::size_t i, std::size_t j) {
                aUsed[i] = bUsed[j] = true;
                used.insert(as[i]);
                used.insert(bs[j]);
                addJob(as[i], bs[j], RowStatus::Moved);
            };
            for (std::size_t i = 0; i < as.size(); ++i) {
                for (std::size_t j = 0; j < bs.size(); ++j) {
                    if (!bUsed[j] && fileNameOf(as[i]->path) == fileNameOf(bs[j]->path)) {
                        take(i, j);
                        break;
                    }
                }
            }
            std::size_t j = 0;
            for (std::size_t i = 0; i < as.size(); ++i) {
                if (aUsed[i]) {
                    continue;
                }
                while (j < bs.size() && bUsed[j]) {
                    ++j;
                }
                if (j == bs.size()) {
                    break;
                }
                take(i, j);
            }
        }
        std::erase_if(added, [&](const TreeEntry* e) { return used.count(e) != 0; });
        std::erase_if(deleted, [&](const TreeEntry* e) { return used.count(e) != 0; });
    }

    // --renames: unpaired files of the same name in different folders, paired when at least half
    // of the steps of the larger one match; the best match first.
    void pairRenamed(std::vector<const TreeEntry*>& added, std::vector<const TreeEntry*>& deleted) {
        std::map<std::string, std::vector<const TreeEntry*>> beforeByName;
        for (const TreeEntry* b : deleted) {
            beforeByName[fileNameOf(b->path)].push_back(b);
        }
        struct Candidate {
            double score;
            const TreeEntry* a;
            const TreeEntry* b;
        };
        std::vector<Candidate> candidates;
        std::vector<unsigned char> afterBytes;
        std::vector<unsigned char> beforeBytes;
        for (const TreeEntry* a : added) {
            const auto found = beforeByName.find(fileNameOf(a->path));
            if (found == beforeByName.end()) {
                continue;
            }
            std::string problem;
            if (!after_.read(*a, afterBytes, problem) || looksBinary(afterBytes)) {
                continue;
            }
            for (const TreeEntry* b : found->second) {
                if (!before_.read(*b, beforeBytes, problem) || looksBinary(beforeBytes)) {
                    continue;
                }
                PairInput in;
                in.names = {after_.moduleName(a->path), before_.moduleName(b->path)};
                in.paths = {a->path, b->path};
                in.bytes = {afterBytes, beforeBytes};
                const PairCounts c = countPair(setup_, in);
                const std::int32_t larger = std::max(c.steps[kAfter], c.steps[kBefore]);
                if (larger > 0 && 2 * static_cast<std::int64_t>(c.matchedSteps) >= larger) {
                    candidates.push_back({static_cast<double>(c.matchedSteps) / larger, a, b});
                }
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate& x, const Candidate& y) { return x.score > y.score; });
        std::unordered_set<const TreeEntry*> used;
        for (const Candidate& c : candidates) {
            if (used.count(c.a) != 0 || used.count(c.b) != 0) {
                continue;
            }
            used.insert(c.a);
            used.insert(c.b);
            addJob(c.a, c.b, RowStatus::Renamed);
        }
        std::erase_if(added, [&](const TreeEntry* e) { return used.count(e) != 0; });
        std::erase_if(deleted, [&](const TreeEntry* e) { return used.count(e) != 0; });
    }

    void work(bool oneThreadEach) {
        std::optional<BothSidesOnOneThread> sequential;
        if (oneThreadEach) {
            sequential.emplace();
        }
        SideBytes sides;
        PairDetail detail;
        for (;;) {
            if (cancelled()) {
                return;
            }
            const std::size_t i = next_.fetch_add(1);
            if (i >= jobs_.size()) {
                return;
            }
            finish(countJob(jobs_[i], sides, detail));
        }
    }

    FileRow countJob(const Job& job, SideBytes& sides, PairDetail& detail) {
        FileRow row;
        row.path = (job.after ? job.after : job.before)->path;
        if ((job.status == RowStatus::Moved || job.status == RowStatus::Renamed)) {
            row.beforePath = job.before->path;
        }
        row.language = job.language;
        row.status = job.status;
        const std::array<const TreeEntry*, kSides> entries{job.after, job.before};
        const std::array<TreeSource*, kSides> trees{&after_, &before_};
        for (std::size_t s = 0; s < kSides; ++s) {
            sides[s].clear();
            if (entries[s] == nullptr) {
                continue;
            }
            std::string problem;
            if (!trees[s]->read(*entries[s], sides[s], problem)) {
                row.status = RowStatus::Failed;
                row.reason = std::string(s == kAfter ? "after: " : "before: ") + problem;
                return row;
            }
        }
        for (std::size_t s = 0; s < kSides; ++s) {
            if (entries[s] != nullptr && looksBinary(sides[s])) {
                row.status = RowStatus::Skipped;
                row.reason = "binary file";
                row.language.clear();
                return row;
            }
        }
        PairInput in;
        for (std::size_t s = 0; s < kSides; ++s) {
            if (entries[s] != nullptr) {
                in.names[s] = trees[s]->moduleName(entries[s]->path);
                in.paths[s] = entries[s]->path;
                in.bytes[s] = sides[s];
            }
        }
        in.sameBytes =
            job.after != nullptr && job.before != nullptr && sides[kAfter] == sides[kBefore];
        if (job.status == RowStatus::Changed && in.sameBytes) {
            row.status = RowStatus::Unchanged;
        }
        const bool report = !job.report.empty() && isChange(row.status);
        const PairCounts c = countPair(setup_, in, report ? &detail : nullptr);
        row.counts = c.counts;
        row.afterSteps = c.steps[kAfter];
        row.beforeSteps = c.steps[kBefore];
        if (report) {
            const std::string path = joinPath(options_.reportFolder, job.report);
            // A link planted under a report's name is replaced, never written through.
            removeIfLink(path);
            if (writePairReport(setup_, detail, c.counts, path) == 0) {
                row.report = job.report;
            } else {
                reportsFailed_.fetch_add(1);
            }
            detail.panes = ModulePanes{};
        }
        return row;
    }

    void finish(FileRow row) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cb_.onRow) {
            cb_.onRow(row);
        }
        result_.rows.push_back(std::move(row));
        if (cb_.onProgress) {
            cb_.onProgress(result_.rows.size(), result_.total);
        }
    }

    const CountSetup& setup_;
    TreeSource& before_;
    TreeSource& after_;
    const CountOptions& options_;
    const CountCallbacks& cb_;
    std::vector<TreeEntry> afterEntries_;
    std::vector<TreeEntry> beforeEntries_;
    std::vector<Job> jobs_;
    std::unordered_map<const TreeEntry*, std::string> languages_;  // of the files to count
    std::vector<FileRow> direct_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> reportsFailed_{0};
    std::mutex mutex_;
    TreeCount result_;
};

}  // namespace

TreeCount countTrees(const CountSetup& setup, TreeSource& before, TreeSource& after,
                     const CountOptions& options, const CountCallbacks& callbacks) {
    Runner runner(setup, before, after, options, callbacks);
    return runner.run();
}

}  // namespace tavelin::project
