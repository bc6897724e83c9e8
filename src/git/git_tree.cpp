#include "run/git_tree.h"

#include <git2.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/count.h"
#include "engine/file_error.h"
#include "git/libgit2_start.h"

namespace zarnik::run {

namespace {

std::string LastMessage() {
    const git_error* e = git_error_last();
    return e && e->message ? e->message : "unknown error";
}

std::string OidText(const git_oid& id) {
    char buf[GIT_OID_HEXSZ + 1];
    git_oid_tostr(buf, sizeof buf, &id);
    return buf;
}

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

// A path's parts, without empty ones and ".".
std::vector<std::string> SplitParts(std::string_view path) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(at, end - at);
        if (!part.empty() && part != ".") parts.emplace_back(part);
        at = end + 1;
    }
    return parts;
}

template <class T, void (*Free)(T*)>
struct Freed {
    void operator()(T* p) const { Free(p); }
};
using TreePtr = std::unique_ptr<git_tree, Freed<git_tree, git_tree_free>>;
using BlobPtr = std::unique_ptr<git_blob, Freed<git_blob, git_blob_free>>;
using ObjectPtr = std::unique_ptr<git_object, Freed<git_object, git_object_free>>;
using RepoPtr = std::unique_ptr<git_repository, Freed<git_repository, git_repository_free>>;
using CommitPtr = std::unique_ptr<git_commit, Freed<git_commit, git_commit_free>>;
using WalkPtr = std::unique_ptr<git_revwalk, Freed<git_revwalk, git_revwalk_free>>;

// An object id as a key: its raw bytes.
std::string RawKey(const git_oid& id) { return {reinterpret_cast<const char*>(id.id), GIT_OID_RAWSZ}; }

// What a path names in a revision: a folder (tree), a file (blob), a symbolic link,
// or a submodule (commit).
struct Node {
    git_object_t Type = GIT_OBJECT_INVALID;
    git_filemode_t Mode = GIT_FILEMODE_UNREADABLE;
    git_oid Id{};
};

enum class EntryType { Folder, File, Other };

struct Entry {
    std::string Name;
    EntryType Type = EntryType::Other;
    Node Target;  // a folder's tree (or a submodule: no entries), a file's blob
};

// A link is followed this many times on one path at most, as the system does.
constexpr int kMaxLinkHops = 40;
void SeeName(FileCollection& out, std::string_view name) {
    out.MaxNameLength = std::max(out.MaxNameLength, SjisLength(name));
}

void InPathOrder(const FileCollection& out, std::vector<Entry>& entries) {
    if (out.WalkInPathOrder)
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return EntryBefore(a.Name, a.Type == EntryType::Folder, b.Name, b.Type == EntryType::Folder);
        });
}

std::string JoinRel(const std::string& rel, std::string_view name) {
    std::string path = rel;
    if (!path.empty()) path.push_back('/');
    path.append(name);
    return path;
}

}  // namespace

struct RevisionFiles::Store {
    struct Repo {
        RepoPtr Handle;
        std::string WorkDir;  // real, ending in "/"
        Node Root;
        std::int64_t Time = 0;  // the commit's
    };
    // Where a target's folder lies: a repository and the folder's path in its tree.
    struct Place {
        std::size_t Repo = 0;
        std::string Rel;
    };
    struct StoredFile {
        git_oid Id;
        std::size_t Repo;
    };

    std::string Revision;
    std::vector<Repo> Repos;
    std::vector<StoredFile> Files;
    BlobPtr Current;  // Read's

    [[noreturn]] static void Fail(const std::string& path, const std::string& what) {
        throw RepositoryError(path.empty() ? "." : path, detail::Libgit2Errno(), what + ": " + LastMessage());
    }

    std::size_t OpenRepo(const std::string& real, std::string_view line);
    ObjectPtr PeelCommit(const Repo& repo, const std::string& revision, const std::string& shown) const;
    void ReadRevision(Repo& repo, const std::string& shown);
    std::unordered_set<std::string> Ancestors(const Repo& repo, const std::string& revision) const;
    std::unordered_map<std::string, std::vector<std::string>> TagsOf(const Repo& repo) const;
    Place Locate(const std::string& folder, std::string_view line);
    TreePtr LookupTree(const Repo& repo, const Node& node, const std::string& shown) const;
    std::string LinkText(const Repo& repo, const Node& link, const std::string& shown) const;
    bool Resolve(const Repo& repo, std::string_view rel, bool followLast, Node& out,
                 const std::string& shown) const;
    std::vector<Entry> List(const Repo& repo, const Node& folder, const std::string& rel,
                            bool followFolderLinks, const std::string& shown) const;
    void AddFile(FileCollection& out, std::string path, std::size_t nameLength, const git_oid& id,
                 std::size_t repo, ProgressObserver& progress);
    void Walk(FileCollection& out, bool descend, ProgressObserver& progress, std::size_t repo,
              std::string shown, std::string rel, const Node& top);
};

std::size_t RevisionFiles::Store::OpenRepo(const std::string& real, std::string_view line) {
    git_repository* raw = nullptr;
    const int error = git_repository_open_ext(&raw, real.c_str(), 0, nullptr);
    if (error == GIT_ENOTFOUND) throw RefusedRevision{"not in a git repository: '" + std::string(line) + "'"};
    if (error < 0) Fail(real, "cannot open the repository");
    RepoPtr repo(raw);
    const char* workDir = git_repository_workdir(raw);
    const std::string gitDir = git_repository_path(raw);
    if (!workDir || StartsWith(real + "/", gitDir))
        throw RefusedRevision{"not in a git repository's work tree: '" + std::string(line) + "'"};
    for (std::size_t i = 0; i < Repos.size(); ++i)
        if (Repos[i].WorkDir == workDir) return i;
    Repos.push_back({std::move(repo), workDir, {}, 0});
    ReadRevision(Repos.back(), workDir);
    return Repos.size() - 1;
}

ObjectPtr RevisionFiles::Store::PeelCommit(const Repo& repo, const std::string& revision,
                                           const std::string& shown) const {
    git_object* raw = nullptr;
    const int error = git_revparse_single(&raw, repo.Handle.get(), revision.c_str());
    if (error == GIT_ENOTFOUND || error == GIT_EAMBIGUOUS || error == GIT_EINVALIDSPEC)
        throw RefusedRevision{"no revision '" + revision + "' in the repository at '" + shown + "'"};
    if (error < 0) Fail(shown, "cannot read revision '" + revision + "'");
    ObjectPtr object(raw);
    git_object* peeled = nullptr;
    if (git_object_peel(&peeled, raw, GIT_OBJECT_COMMIT) < 0)
        throw RefusedRevision{"revision '" + revision + "' names no commit in the repository at '" + shown +
                              "'"};
    return ObjectPtr(peeled);
}

void RevisionFiles::Store::ReadRevision(Repo& repo, const std::string& shown) {
    const ObjectPtr commitObject = PeelCommit(repo, Revision, shown);
    const auto* commit = reinterpret_cast<const git_commit*>(commitObject.get());
    repo.Time = static_cast<std::int64_t>(git_commit_time(commit));
    repo.Root = {GIT_OBJECT_TREE, GIT_FILEMODE_TREE, *git_commit_tree_id(commit)};
    // The tree is read now, so that a commit whose tree is missing fails here.
    LookupTree(repo, repo.Root, shown);
}

RevisionFiles::Store::Place RevisionFiles::Store::Locate(const std::string& folder, std::string_view line) {
    // The longest part of the folder that exists is made real (the work tree's path
    // is); what follows it exists in the revision only and is taken by its names.
    std::string existing = folder.empty() ? "." : folder;
    std::string rest;
    std::string real;
    for (;;) {
        std::unique_ptr<char, decltype(&::free)> r(::realpath(existing.c_str(), nullptr), &::free);
        if (r) {
            real = r.get();
            break;
        }
        // Nothing is left to cut from "." or "/" (a working folder that is gone).
        if ((errno != ENOENT && errno != ENOTDIR) || existing == "." || existing == "/")
            throw engine::FileError(existing, errno);
        while (existing.size() > 1 && existing.back() == '/') existing.pop_back();
        const std::size_t slash = existing.rfind('/');
        rest.insert(0, (slash == std::string::npos ? existing : existing.substr(slash + 1)) + "/");
        existing = slash == std::string::npos ? "." : existing.substr(0, std::max<std::size_t>(slash, 1));
    }
    const std::size_t repo = OpenRepo(real, line);
    const std::string& top = Repos[repo].WorkDir;
    std::string path = real == "/" ? real : real + "/";
    if (!StartsWith(path, top))
        throw RefusedRevision{"not in a git repository's work tree: '" + std::string(line) + "'"};
    std::vector<std::string> parts;
    for (std::string& part : SplitParts(path.substr(top.size()) + rest)) {
        if (part != "..") {
            parts.push_back(std::move(part));
        } else if (parts.empty()) {
            throw RefusedRevision{"outside the repository's work tree: '" + std::string(line) + "'"};
        } else {
            parts.pop_back();
        }
    }
    Place place{repo, {}};
    for (const std::string& part : parts) place.Rel.append(place.Rel.empty() ? "" : "/").append(part);
    return place;
}

TreePtr RevisionFiles::Store::LookupTree(const Repo& repo, const Node& node, const std::string& shown) const {
    git_tree* tree = nullptr;
    if (git_tree_lookup(&tree, repo.Handle.get(), &node.Id) < 0)
        Fail(shown, "cannot read folder object " + OidText(node.Id));
    return TreePtr(tree);
}

std::string RevisionFiles::Store::LinkText(const Repo& repo, const Node& link,
                                           const std::string& shown) const {
    git_blob* blob = nullptr;
    if (git_blob_lookup(&blob, repo.Handle.get(), &link.Id) < 0)
        Fail(shown, "cannot read link object " + OidText(link.Id));
    BlobPtr hold(blob);
    return {static_cast<const char*>(git_blob_rawcontent(blob)),
            static_cast<std::size_t>(git_blob_rawsize(blob))};
}

// What rel names in the revision, each part looked up in its folder and a symbolic
// link on the way followed as the file system follows it (the last part only with
// followLast). False where the file system would find nothing: a missing entry, a
// path through a file, a link that loops or leads out of the repository.
bool RevisionFiles::Store::Resolve(const Repo& repo, std::string_view rel, bool followLast, Node& out,
                                   const std::string& shown) const {
    std::vector<std::string> todo = SplitParts(rel);
    std::reverse(todo.begin(), todo.end());
    std::vector<Node> levels{repo.Root};
    int hops = 0;
    while (!todo.empty()) {
        const std::string part = std::move(todo.back());
        todo.pop_back();
        if (part == "..") {
            if (levels.size() == 1) return false;
            levels.pop_back();
            continue;
        }
        if (levels.back().Type != GIT_OBJECT_TREE) return false;
        const TreePtr tree = LookupTree(repo, levels.back(), shown);
        const git_tree_entry* e = git_tree_entry_byname(tree.get(), part.c_str());
        if (!e) return false;
        const Node next{git_tree_entry_type(e), git_tree_entry_filemode(e), *git_tree_entry_id(e)};
        if (next.Mode == GIT_FILEMODE_LINK && (followLast || !todo.empty())) {
            const std::string target = LinkText(repo, next, shown);
            if (++hops > kMaxLinkHops || target.empty() || target[0] == '/' ||
                target.find('\0') != std::string::npos)
                return false;
            std::vector<std::string> more = SplitParts(target);
            todo.insert(todo.end(), more.rbegin(), more.rend());
            continue;
        }
        levels.push_back(next);
    }
    out = levels.back();
    return true;
}

// The entries of folder (at rel) in the revision's order. A link counts as what it
// points to, a folder only when followFolderLinks is set; a submodule is a folder
// with nothing in it.
std::vector<Entry> RevisionFiles::Store::List(const Repo& repo, const Node& folder, const std::string& rel,
                                              bool followFolderLinks, const std::string& shown) const {
    std::vector<Entry> entries;
    if (folder.Type != GIT_OBJECT_TREE) return entries;
    const TreePtr tree = LookupTree(repo, folder, shown);
    const std::size_t count = git_tree_entrycount(tree.get());
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const git_tree_entry* e = git_tree_entry_byindex(tree.get(), i);
        Entry entry{git_tree_entry_name(e),
                    EntryType::Other,
                    {git_tree_entry_type(e), git_tree_entry_filemode(e), *git_tree_entry_id(e)}};
        bool followed = false;
        if (entry.Target.Mode == GIT_FILEMODE_LINK) {
            Node target;
            const std::string path = rel.empty() ? entry.Name : rel + "/" + entry.Name;
            if (!Resolve(repo, path, true, target, shown)) target = Node{};
            entry.Target = target;
            followed = true;
        }
        switch (entry.Target.Type) {
            case GIT_OBJECT_BLOB:
                entry.Type = EntryType::File;
                break;
            case GIT_OBJECT_TREE:
            case GIT_OBJECT_COMMIT:
                entry.Type = !followed || followFolderLinks ? EntryType::Folder : EntryType::Other;
                break;
            default:
                break;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// A walk of the folder top (shown as shown, at rel in the tree), depth first,
// entries in the revision's order (or the sorted walk's), as a walk of a checkout
// goes.
void RevisionFiles::Store::Walk(FileCollection& out, bool descend, ProgressObserver& progress,
                                std::size_t repo, std::string shown, std::string rel, const Node& top) {
    struct Level {
        std::string Folder, Rel;
        std::vector<Entry> Entries;
        std::size_t Next = 0;
    };
    const Repo& r = Repos[repo];
    std::vector<Level> levels;
    std::vector<Entry> entries = List(r, top, rel, false, shown);
    InPathOrder(out, entries);
    levels.push_back({std::move(shown), std::move(rel), std::move(entries)});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.Next == level.Entries.size()) {
            levels.pop_back();
            continue;
        }
        const Entry e = level.Entries[level.Next++];
        progress.Pump();
        if (progress.CancelRequested()) return;
        SeeName(out, e.Name);
        if (e.Type == EntryType::Folder && descend) {
            std::string sub = JoinPath(level.Folder, e.Name), subRel = JoinRel(level.Rel, e.Name);
            std::vector<Entry> subEntries = List(r, e.Target, subRel, false, sub);
            InPathOrder(out, subEntries);
            levels.push_back({std::move(sub), std::move(subRel), std::move(subEntries)});
        } else if (e.Type == EntryType::File) {
            AddFile(out, JoinPath(level.Folder, e.Name), e.Name.size(), e.Target.Id, repo, progress);
        }
    }
}

RevisionFiles::RevisionFiles(std::string revision) : store_(std::make_unique<Store>()) {
    detail::StartLibgit2();
    store_->Revision = std::move(revision);
}

namespace {

// A line without a closing slash is a name looked for in the folder above it; for the
// top of a work tree that folder lies outside the repository, so such a line is taken
// as the folder it names (on disk the two forms count alike).
bool NamesWorkTreeTop(std::string_view line) {
    struct stat st {};
    return ::stat((std::string(line) + "/.git").c_str(), &st) == 0;
}

}  // namespace

RevisionFiles::~RevisionFiles() = default;

void RevisionFiles::CollectTargetLine(std::string_view line, FileCollection& out, bool descend,
                                      ProgressObserver& progress) {
    if (line.empty()) return;
    Store& s = *store_;
    const TargetParts parts = SplitTargetLine(line);
    const bool namesFolder = line.back() == '/' || IsDotOrDotDot(parts.Pattern) || NamesWorkTreeTop(line);
    std::string folder = namesFolder ? std::string(line) : parts.Folder;
    if (namesFolder && parts.Pattern == "." && !parts.Folder.empty()) folder = parts.Folder;
    const Store::Place place = s.Locate(folder, line);
    const Store::Repo& repo = s.Repos[place.Repo];
    Node node;
    if (!s.Resolve(repo, place.Rel, true, node, folder) || node.Type != GIT_OBJECT_TREE) {
        // A submodule named as a folder is an empty one; anything else is no folder.
        if (namesFolder && node.Type == GIT_OBJECT_COMMIT && folder != "/")
            SeeName(out, SplitTargetLine(folder).Pattern);
        return;
    }

    if (namesFolder) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folder != "/") SeeName(out, SplitTargetLine(folder).Pattern);
        s.Walk(out, descend, progress, place.Repo, folder, place.Rel, node);
        return;
    }
    std::vector<Entry> matches = s.List(repo, node, place.Rel, true, parts.Folder);
    std::erase_if(matches, [&](const Entry& e) { return !MatchesPattern(parts.Pattern, e.Name); });
    InPathOrder(out, matches);
    for (const Entry& e : matches) {
        SeeName(out, e.Name);
        if (e.Type == EntryType::Folder)
            s.Walk(out, descend, progress, place.Repo, JoinPath(parts.Folder, e.Name),
                   JoinRel(place.Rel, e.Name), e.Target);
        else if (e.Type == EntryType::File)
            s.AddFile(out, JoinPath(parts.Folder, e.Name), e.Name.size(), e.Target.Id, place.Repo, progress);
        progress.Pump();
        if (progress.CancelRequested()) return;
    }
}

void RevisionFiles::Store::AddFile(FileCollection& out, std::string path, std::size_t nameLength,
                                   const git_oid& id, std::size_t repo, ProgressObserver& progress) {
    Files.push_back({id, repo});
    const std::size_t offset = path.size() - nameLength;
    out.Files.push_back({std::move(path), offset, Files.size()});
    progress.Found(static_cast<std::int64_t>(out.Files.size()));
}

RevisionFiles::Named RevisionFiles::Names(std::string_view line) {
    if (line.empty()) return Named::Nothing;
    Store& s = *store_;
    const Store::Place place = s.Locate(std::string(line), line);
    Node node;
    if (!s.Resolve(s.Repos[place.Repo], place.Rel, true, node, std::string(line))) return Named::Nothing;
    if (node.Type == GIT_OBJECT_BLOB) return Named::File;
    // A submodule is an empty folder in a checkout.
    if (node.Type == GIT_OBJECT_TREE || node.Type == GIT_OBJECT_COMMIT) return Named::Folder;
    return Named::Nothing;
}

std::string_view RevisionFiles::Read(const FoundFile& file) {
    const Store::StoredFile& stored = store_->Files.at(file.Stored - 1);
    git_blob* blob = nullptr;
    store_->Current.reset();
    if (git_blob_lookup(&blob, store_->Repos[stored.Repo].Handle.get(), &stored.Id) < 0)
        Store::Fail(file.Path, "cannot read file object " + OidText(stored.Id));
    store_->Current.reset(blob);
    return {static_cast<const char*>(git_blob_rawcontent(blob)),
            static_cast<std::size_t>(git_blob_rawsize(blob))};
}

void RevisionFiles::Count(const engine::CountOptions& opt, const FoundFile& file, engine::CountContext& ctx,
                          detail::CountedFile& out) {
    out.Error = nullptr;
    out.Gone = false;
    try {
        const std::string_view bytes = Read(file);
        const Store::Repo& repo = store_->Repos[store_->Files.at(file.Stored - 1).Repo];
        const engine::DirEntry entry{NativeToSjis(file.Name()), repo.Time,
                                     static_cast<std::int64_t>(bytes.size())};
        engine::CountStoredFile(opt, file.Path, bytes, entry, out.Rec, ctx);
    } catch (...) {
        out.Error = std::current_exception();
    }
}

}  // namespace zarnik::run

namespace zarnik::run {

// Every commit revision's history holds (all parents, not only the first).
std::unordered_set<std::string> RevisionFiles::Store::Ancestors(const Repo& repo,
                                                                const std::string& revision) const {
    const ObjectPtr commit = PeelCommit(repo, revision, repo.WorkDir);
    git_revwalk* raw = nullptr;
    if (git_revwalk_new(&raw, repo.Handle.get()) < 0) Fail(repo.WorkDir, "cannot walk the history");
    const WalkPtr walk(raw);
    if (git_revwalk_push(raw, git_object_id(commit.get())) < 0)
        Fail(repo.WorkDir, "cannot read the history of '" + revision + "'");
    std::unordered_set<std::string> seen;
    git_oid id;
    int error = 0;
    while ((error = git_revwalk_next(&id, raw)) == 0) seen.insert(RawKey(id));
    if (error != GIT_ITEROVER) Fail(repo.WorkDir, "cannot read the history of '" + revision + "'");
    return seen;
}

// The tags of the repository by the commit they mark; a tag of something else
// than a commit marks none.
std::unordered_map<std::string, std::vector<std::string>> RevisionFiles::Store::TagsOf(
    const Repo& repo) const {
    struct Walk {
        git_repository* Repo;
        std::unordered_map<std::string, std::vector<std::string>> Tags;
        std::string Failed;
    } walk{repo.Handle.get(), {}, {}};
    const int error = git_tag_foreach(
        repo.Handle.get(),
        [](const char* name, git_oid* id, void* payload) -> int {
            auto& w = *static_cast<Walk*>(payload);
            git_object* raw = nullptr;
            if (git_object_lookup(&raw, w.Repo, id, GIT_OBJECT_ANY) < 0) {
                w.Failed = name;
                return -1;
            }
            const ObjectPtr tag(raw);
            git_object* peeled = nullptr;
            const int peel = git_object_peel(&peeled, raw, GIT_OBJECT_COMMIT);
            if (peel == GIT_ENOTFOUND) {
                w.Failed = name;
                return -1;
            }
            if (peel < 0) return 0;
            const ObjectPtr commit(peeled);
            std::string_view shown = name;
            if (shown.substr(0, 10) == "refs/tags/") shown.remove_prefix(10);
            w.Tags[RawKey(*git_object_id(peeled))].emplace_back(shown);
            return 0;
        },
        &walk);
    if (error < 0)
        Fail(repo.WorkDir, walk.Failed.empty() ? "cannot read the tags" : "cannot read tag " + walk.Failed);
    for (auto& [commit, names] : walk.Tags) std::sort(names.begin(), names.end());
    return std::move(walk.Tags);
}

std::vector<RevisionFiles::Commit> RevisionFiles::History(std::string_view line, const std::string& range,
                                                          bool tagsOnly) {
    Store& s = *store_;
    std::string hide, tip = range;
    if (const std::size_t dots = range.find(".."); dots != std::string::npos) {
        if (range.find("...") != std::string::npos)
            throw RefusedRevision{"a range is A..B, not '" + range + "'"};
        hide = range.substr(0, dots);
        tip = range.substr(dots + 2);
        if (hide.empty()) hide = "HEAD";
    }
    if (tip.empty()) tip = "HEAD";
    s.Revision = tip;
    const TargetParts parts = SplitTargetLine(line);
    const bool namesFolder =
        !line.empty() && (line.back() == '/' || IsDotOrDotDot(parts.Pattern) || NamesWorkTreeTop(line));
    const Store::Repo& repo = s.Repos[s.Locate(namesFolder ? std::string(line) : parts.Folder, line).Repo];
    const std::unordered_set<std::string> hidden =
        hide.empty() ? std::unordered_set<std::string>{} : s.Ancestors(repo, hide);
    auto tags = s.TagsOf(repo);
    std::vector<Commit> commits;
    ObjectPtr first = s.PeelCommit(repo, tip, repo.WorkDir);
    CommitPtr at(reinterpret_cast<git_commit*>(first.release()));
    for (;;) {
        const git_oid& id = *git_commit_id(at.get());
        const std::string key = RawKey(id);
        if (hidden.count(key)) break;
        Commit commit{OidText(id), static_cast<std::int64_t>(git_commit_time(at.get())), {}};
        if (const auto t = tags.find(key); t != tags.end()) commit.Tags = std::move(t->second);
        if (!tagsOnly || !commit.Tags.empty()) commits.push_back(std::move(commit));
        if (git_commit_parentcount(at.get()) == 0) {
            // A library that reads a shallow clone's cut shows the commits at the
            // cut without parents: in a shallow clone no first commit is trusted.
            if (git_repository_is_shallow(repo.Handle.get()) == 1)
                throw RepositoryError(repo.WorkDir, EIO,
                                      "history cut short: commit " + OidText(id) +
                                          " has no parent in a shallow clone (git fetch --unshallow "
                                          "fetches the rest)");
            break;
        }
        git_commit* parent = nullptr;
        if (git_commit_parent(&parent, at.get(), 0) < 0) {
            std::string what = "history cut short: parent " + OidText(*git_commit_parent_id(at.get(), 0)) +
                               " of commit " + OidText(id) + " is missing";
            if (git_repository_is_shallow(repo.Handle.get()) == 1)
                what += " (a shallow clone; git fetch --unshallow fetches the rest)";
            Store::Fail(repo.WorkDir, what);
        }
        at.reset(parent);
    }
    std::reverse(commits.begin(), commits.end());
    return commits;
}

void RevisionFiles::SetRevision(const std::string& revision) {
    store_->Revision = revision;
    store_->Files.clear();
    for (Store::Repo& repo : store_->Repos) store_->ReadRevision(repo, repo.WorkDir);
}

std::string_view RevisionFiles::StoredKey(const FoundFile& file) const {
    const git_oid& id = store_->Files.at(file.Stored - 1).Id;
    return {reinterpret_cast<const char*>(id.id), GIT_OID_RAWSZ};
}

}  // namespace zarnik::run
