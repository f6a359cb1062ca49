#include "tree_walk.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "file_text.h"
#include "filelist/path_rules.h"
#include "git_repository.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {

// The window's order: case-insensitive first, as a file manager lists names, then by code
// unit, so that names differing only in case still come in one fixed order.
bool nameLess(const QString& left, const QString& right)
{
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left < right;
}

enum class Kind { Other, File, Folder };

struct Entry
{
    QByteArray name;
    Kind kind = Kind::Other;
};

/// One entry as getdents64 lays it out (the kernel's struct linux_dirent64).
struct ListedEntry
{
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char d_type;
    char d_name[1];

    /// The name, ended by a NUL, runs on past the one byte declared; taken as a pointer, never
    /// as the array, whose type says it holds one byte.
    const char* name() const { return d_name; }
};

/// What the entry `name` of the folder open at `folder` is, its type from the listing when it
/// gives one; a link is taken as what it leads to. Nothing, with errno set, when that cannot
/// be read; a link to nothing, or an entry gone since it was listed, is Other.
std::optional<Kind> kindOf(int folder, const ListedEntry& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return Kind::Folder;
    case DT_REG:
        return Kind::File;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    struct stat status;
    if (::fstatat(folder, entry.name(), &status, 0) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Kind::Other;
        return std::nullopt;
    }
    return S_ISDIR(status.st_mode) ? Kind::Folder
        : S_ISREG(status.st_mode)  ? Kind::File
                                   : Kind::Other;
}

QByteArray withoutTrailingSeparators(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

/// Calls `take` with each entry of the folder open at `descriptor` but "." and ".."; false,
/// with errno set, when the listing failed midway, after what it gave. getdents64 itself
/// rather than readdir(): fdopendir() would look the folder up and set its flags once more,
/// three calls for each folder that the walk has already made or needs not.
template<typename Take> bool listFolder(int descriptor, Take take)
{
    alignas(ListedEntry) char buffer[32768];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const ListedEntry*>(buffer + at);
            at += entry->length;
            if (std::strcmp(entry->name(), ".") != 0 && std::strcmp(entry->name(), "..") != 0)
                take(*entry);
        }
    }
}

bool hasEntry(const std::vector<Entry>& entries, const char* name)
{
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Entry& entry) { return entry.name == name; });
}

/// The ignore level of a folder that holds `entries`, open at `descriptor`; the parent's
/// own when the folder has no ignore file and is no work tree's top.
std::shared_ptr<const IgnoreLevel> levelOf(const std::shared_ptr<const IgnoreLevel>& parent,
                                           int descriptor, const QByteArray& path,
                                           const std::string& below,
                                           const std::vector<Entry>& entries)
{
    const bool top = hasEntry(entries, ".git");
    std::shared_ptr<const RepositoryExcludes> repository
        = parent && !top ? parent->repository : nullptr;
    const bool readsGitIgnore = (top || repository) && hasEntry(entries, ".gitignore");
    const bool readsDotIgnore = hasEntry(entries, ".ignore");
    if (!top && !readsGitIgnore && !readsDotIgnore)
        return parent;
    auto level = std::make_shared<IgnoreLevel>();
    level->parent = parent;
    level->relation = { {}, below.size() };
    level->repositoryTop = top;
    if (top) {
        repository
            = repositoryExcludes(withoutTrailingSeparators(path).toStdString(), level->relation);
    }
    level->repository = std::move(repository);
    if (readsDotIgnore) {
        if (const std::optional<std::string> text = fileText(descriptor, ".ignore"))
            level->dotIgnore = IgnoreFile(*text);
    }
    if (readsGitIgnore) {
        if (const std::optional<std::string> text = fileText(descriptor, ".gitignore"))
            level->gitIgnore = IgnoreFile(*text);
    }
    return level;
}

bool exists(const std::string& path)
{
    return ::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

struct TreeWalk::Folder
{
    /// As opened: the walked folder as given, a separator, and the names below it, each
    /// followed by a separator.
    QByteArray path;
    /// Below the walked folder: "" or "a/b/".
    std::string below;
    std::shared_ptr<const IgnoreLevel> rules;
    std::uint64_t depth = 0;
};

TreeWalk::TreeWalk(WalkChoices choices)
    : m_choices(std::move(choices))
    , m_patternTook(m_choices.namePatterns.size(), false)
{ }

std::shared_ptr<const IgnoreLevel> TreeWalk::levelsAbove(const QByteArray& folder) const
{
    char* resolved = ::realpath(folder.constData(), nullptr);
    if (!resolved)
        return nullptr;
    const std::string real = resolved;
    std::free(resolved);
    // The folders above, nearest first, and the walked folder's path below each.
    std::vector<std::pair<std::string, std::string>> above;
    for (std::string at = real; at != "/";) {
        const std::size_t slash = at.rfind('/');
        const std::string parent = slash == 0 ? "/" : at.substr(0, slash);
        above.emplace_back(parent, real.substr(parent == "/" ? 1 : parent.size() + 1) + '/');
        at = parent;
    }
    std::optional<std::size_t> top;
    for (std::size_t i = 0; i < above.size() && !top; ++i) {
        if (exists(above[i].first + "/.git"))
            top = i;
    }
    std::shared_ptr<const IgnoreLevel> level;
    for (std::size_t i = above.size(); i-- > 0;) {
        const auto& [path, below] = above[i];
        const std::string prefix = path == "/" ? path : path + '/';
        const bool isTop = top && i == *top;
        const std::optional<std::string> dotIgnore
            = fileText(AT_FDCWD, (prefix + ".ignore").c_str());
        const std::optional<std::string> gitIgnore
            = top && i <= *top ? fileText(AT_FDCWD, (prefix + ".gitignore").c_str()) : std::nullopt;
        if (!isTop && !dotIgnore && !gitIgnore)
            continue;
        auto next = std::make_shared<IgnoreLevel>();
        next->parent = level;
        next->relation = { below, 0 };
        next->repositoryTop = isTop;
        next->repository = isTop ? repositoryExcludes(path, next->relation)
            : level              ? level->repository
                                 : nullptr;
        if (dotIgnore)
            next->dotIgnore = IgnoreFile(*dotIgnore);
        if (gitIgnore)
            next->gitIgnore = IgnoreFile(*gitIgnore);
        level = std::move(next);
    }
    return level;
}

void TreeWalk::walk(const QString& folder, const std::function<void(const QString&)>& found,
                    const WalkComplaint& unreachable)
{
    const auto tell = [&](const QByteArray& path, int cause) {
        if (unreachable)
            unreachable(reduceDoubledSeparators(pathFromBytes(path)), qt_error_string(cause));
    };
    const bool readsIgnoreFiles = m_choices.ignoreFiles == WalkChoices::IgnoreFiles::Read;
    const QByteArray root = pathBytes(folder + u'/');
    const QByteArray shownRoot = pathBytes(reduceDoubledSeparators(folder + u'/'));
    // Each real folder is walked once, under the first name the walk meets it by, so that
    // links back up the tree end nowhere.
    std::set<std::pair<dev_t, ino_t>> walked;
    std::deque<Folder> waiting;
    waiting.push_back({ root, {}, readsIgnoreFiles ? levelsAbove(root) : nullptr, 0 });

    // Breadth first: each folder's sub-folders go to the end, after those of the folders
    // before it, which gives the window's level-by-level order.
    while (!waiting.empty()) {
        const Folder current = std::move(waiting.front());
        waiting.pop_front();
        const QByteArray shown = withoutTrailingSeparators(current.path);
        const int descriptor
            = openLongPath(current.path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0) {
            tell(shown, errno);
            continue;
        }
        struct stat status;
        if (::fstat(descriptor, &status) != 0) {
            tell(shown, errno);
            ::close(descriptor);
            continue;
        }
        if (!walked.insert({ status.st_dev, status.st_ino }).second) {
            ::close(descriptor);
            continue;
        }
        const QByteArray entryPrefix = shown == "/" ? shown : shown + '/';
        std::vector<Entry> entries;
        // A listing that fails midway has given what it could.
        if (!listFolder(descriptor, [&](const ListedEntry& entry) {
                const std::optional<Kind> kind = kindOf(descriptor, entry);
                if (!kind)
                    tell(entryPrefix + entry.name(), errno);
                else
                    entries.push_back({ QByteArray(entry.name()), *kind });
            }))
            tell(shown, errno);

        const std::shared_ptr<const IgnoreLevel> rules = readsIgnoreFiles
            ? levelOf(current.rules, descriptor, current.path, current.below, entries)
            : nullptr;
        ::close(descriptor);
        const auto leftOut = [&](const QByteArray& name, EntryType type) {
            if (!rules && m_choices.excluded.isEmpty())
                return false;
            const std::string path = current.below + name.toStdString();
            if (!m_choices.excluded.isEmpty()) {
                if (const std::optional<IgnoreVerdict> verdict
                    = m_choices.excluded.verdictFor(path, type))
                    return *verdict == IgnoreVerdict::Ignored;
            }
            return rules && isIgnored(rules.get(), path, type);
        };
        const bool entersFolders = !m_choices.maxDepth || current.depth < *m_choices.maxDepth;
        std::vector<QString> files;
        std::vector<std::pair<QString, QByteArray>> folders;
        std::vector<std::size_t> matched;
        for (const Entry& entry : entries) {
            if (entry.kind == Kind::Folder && entersFolders && !entry.name.startsWith('.')
                && !leftOut(entry.name, EntryType::Folder)) {
                folders.emplace_back(pathFromBytes(entry.name), entry.name);
            }
            // A ".git" file (a linked work tree's, a submodule's) is git's, never the tree's.
            if (entry.kind != Kind::File || entry.name.startsWith('~')
                || (readsIgnoreFiles && entry.name == ".git"))
                continue;
            QString name = pathFromBytes(entry.name);
            matched.clear();
            for (std::size_t i = 0; i < m_choices.namePatterns.size(); ++i) {
                if (m_choices.namePatterns[i].matches(name))
                    matched.push_back(i);
            }
            if ((!m_choices.namePatterns.empty() && matched.empty())
                || leftOut(entry.name, EntryType::File))
                continue;
            for (const std::size_t i : matched)
                m_patternTook[i] = true;
            files.push_back(std::move(name));
        }

        std::sort(files.begin(), files.end(), nameLess);
        const QString prefix
            = pathFromBytes(QByteArray(shownRoot + QByteArray::fromStdString(current.below)));
        for (const QString& name : files)
            found(prefix + name);
        std::sort(folders.begin(), folders.end(), [](const auto& left, const auto& right) {
            return nameLess(left.first, right.first);
        });
        for (const auto& [name, bytes] : folders) {
            waiting.push_back({ current.path + bytes + '/',
                                current.below + bytes.toStdString() + '/', rules,
                                current.depth + 1 });
        }
    }
}

} // namespace velmora
