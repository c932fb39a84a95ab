#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <iterator>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"

namespace tu::fake {
namespace {

constexpr std::uint32_t no_more_files = 18;
constexpr std::uint32_t cant_resolve_filename = 1921;
constexpr int max_link_depth = 32;
constexpr std::string_view shortcut_magic = "[shortcut]\n";

// The file system's case-insensitive key for a name: ASCII, Latin-1 and Latin Extended-A
// letters folded, which is what the tests' names need of NTFS's upcase table.
std::u16string fold_key(PStringView name) {
    std::u16string key(name);
    for (char16_t& c : key) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = static_cast<char16_t>(c + 32);
        else if (c >= 0x100 && c <= 0x17F && (c % 2) == 0) c = static_cast<char16_t>(c + 1);
    }
    return key;
}

// Where a name is kept in its folder: by its folded form first, so that a listing comes in the
// same order whatever the letter case, then by the name itself, so that names differing only
// in case can stand side by side (case-sensitive mode).
std::u16string child_key(PStringView name) {
    std::u16string key = fold_key(name);
    key.push_back(u'\0');
    key += name;
    return key;
}

struct ParsedPath {
    char16_t drive = 0;  // lower-case drive letter
    std::vector<PString> components;
};

}  // namespace

struct FakePlatform::Node {
    enum class Kind { dir, file, symlink, junction };
    Kind kind = Kind::dir;
    PString name;
    // A file's content, shared by every name (hard link) of the file.
    std::shared_ptr<std::string> data = std::make_shared<std::string>();
    bool readonly = false;
    PString target;          // links and junctions
    bool link_to_dir = false;
    std::map<std::u16string, std::shared_ptr<Node>> children;  // by child_key
    PString short_name;      // the 8.3 alias, when it has one
    Node* parent = nullptr;
    int held = 0;            // open in another program without delete sharing
    int shared_holds = 0;    // open in another program with delete sharing (counted in open_count)
    int open_count = 0;
    bool delete_pending = false;

    bool is_link() const { return kind == Kind::symlink || kind == Kind::junction; }
    FileInfo info() const {
        FileInfo fi;
        fi.readonly = readonly;
        switch (kind) {
        case Kind::dir: fi.directory = true; break;
        case Kind::file: break;
        case Kind::symlink:
            fi.directory = link_to_dir;
            fi.reparse_point = true;
            fi.reparse_tag = reparse_tag_symlink;
            break;
        case Kind::junction:
            fi.directory = true;
            fi.reparse_point = true;
            fi.reparse_tag = reparse_tag_junction;
            break;
        }
        return fi;
    }
};

struct FakePlatform::Impl {
    FakePlatform& self;
    std::map<char16_t, std::shared_ptr<Node>> drives;
    struct OpenHandle {
        std::shared_ptr<Node> node;
        PString path;
        bool writing = false;  // opened by open_for_writing
    };
    std::map<std::uintptr_t, OpenHandle> handles;
    std::uintptr_t next_handle = 0x100;

    explicit Impl(FakePlatform& s) : self(s) {}

    std::optional<std::uint32_t> fault(Op op, PStringView path) const {
        return self.fault ? self.fault(op, path) : std::nullopt;
    }

    // The drive and components of a path as Win32 hands it to the file system: made absolute,
    // "." and ".." folded except in verbatim paths, whose components are names. Shares and
    // devices are not there (53).
    std::expected<ParsedPath, std::uint32_t> parse(PStringView raw) const {
        PString path(raw);
        if (path.starts_with(winpath::nt_prefix)) path.replace(0, winpath::nt_prefix.size(), winpath::verbatim_prefix);
        if (!winpath::is_absolute(path)) path = winpath::join(self.cwd, path);
        const winpath::Prefix prefix = winpath::prefix_of(path);
        if (prefix.kind != winpath::PrefixKind::drive && prefix.kind != winpath::PrefixKind::verbatim_drive)
            return std::unexpected(win32_error::bad_netpath);
        std::vector<PStringView> parts = winpath::components(path, prefix);
        // C:x counts from the root: the fake keeps no current folder per drive.
        if (!prefix.verbatim()) winpath::fold(parts, true);
        ParsedPath parsed;
        parsed.drive = fold_key(path.substr(prefix.length - 2, 1))[0];
        parsed.components.assign(parts.begin(), parts.end());
        return parsed;
    }

    static PString full_path(const Node* node, char16_t drive) {
        std::vector<const Node*> chain;
        for (const Node* n = node; n && n->parent; n = n->parent) chain.push_back(n);
        PString out;
        out.push_back(static_cast<char16_t>(drive - 32));
        out += u":";
        if (chain.empty()) return out + u"\\";
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) out += u"\\" + (*it)->name;
        return out;
    }

    char16_t drive_of(const Node* node) const {
        const Node* root = node;
        while (root->parent) root = root->parent;
        for (const auto& [letter, drive] : drives)
            if (drive.get() == root) return letter;
        return u'c';
    }

    // Where a node is, as the final-name queries report it.
    PString final_name(const Node* node) const {
        return PString(winpath::verbatim_prefix) + full_path(node, drive_of(node));
    }

    std::expected<std::shared_ptr<Node>, std::uint32_t> resolve_link(const std::shared_ptr<Node>& link, int depth) const {
        if (depth > max_link_depth) return std::unexpected(cant_resolve_filename);
        PString target = link->target;
        if (!winpath::is_absolute(target) && link->parent)
            target = winpath::join(full_path(link->parent, drive_of(link.get())), target);
        auto parsed = parse(target);
        if (!parsed) return std::unexpected(parsed.error());
        return walk(*parsed, true, depth + 1);
    }

    std::expected<std::shared_ptr<Node>, std::uint32_t> walk(const ParsedPath& parsed, bool follow_last,
                                                             int depth = 0) const {
        const auto drive = drives.find(parsed.drive);
        if (drive == drives.end()) return std::unexpected(win32_error::path_not_found);
        std::shared_ptr<Node> node = drive->second;
        for (std::size_t i = 0; i < parsed.components.size(); ++i) {
            if (node->is_link()) {
                auto resolved = resolve_link(node, depth);
                if (!resolved) return std::unexpected(win32_error::path_not_found);
                node = *resolved;
            }
            if (node->kind != Node::Kind::dir) return std::unexpected(win32_error::path_not_found);
            auto child = find_child(*node, parsed.components[i]);
            if (!child) {
                const bool last = i + 1 == parsed.components.size();
                return std::unexpected(last ? win32_error::file_not_found : win32_error::path_not_found);
            }
            node = std::move(child);
        }
        if (follow_last && node->is_link()) {
            auto resolved = resolve_link(node, depth);
            if (!resolved) return std::unexpected(resolved.error() == cant_resolve_filename ? cant_resolve_filename
                                                                                              : win32_error::file_not_found);
            node = *resolved;
        }
        return node;
    }

    std::expected<std::shared_ptr<Node>, std::uint32_t> lookup(PStringView path, bool follow_last) const {
        auto parsed = parse(path);
        if (!parsed) return std::unexpected(parsed.error());
        return walk(*parsed, follow_last);
    }

    // The directory that would hold `path`, and the new entry's name.
    std::expected<std::pair<std::shared_ptr<Node>, PString>, std::uint32_t> parent_for(PStringView path) const {
        auto parsed = parse(path);
        if (!parsed) return std::unexpected(parsed.error());
        if (parsed->components.empty()) return std::unexpected(win32_error::access_denied);
        PString name = parsed->components.back();
        parsed->components.pop_back();
        auto dir = walk(*parsed, true);
        if (!dir || (*dir)->kind != Node::Kind::dir) return std::unexpected(win32_error::path_not_found);
        return std::pair{*dir, name};
    }

    std::shared_ptr<Node> make_child(const std::shared_ptr<Node>& dir, PStringView name, Node::Kind kind) {
        auto node = std::make_shared<Node>();
        node->kind = kind;
        node->name = PString(name);
        node->parent = dir.get();
        dir->children[child_key(name)] = node;
        return node;
    }

    // The entry of that exact name.
    static std::shared_ptr<Node> find_exact(const Node& dir, PStringView name) {
        const auto it = dir.children.find(child_key(name));
        return it == dir.children.end() ? nullptr : it->second;
    }

    // The entry a name opens: the one spelled exactly so, else the first whose name differs
    // only in letter case, else the one whose 8.3 alias it is. So Windows finds a name, and so
    // does Wine, which looks for the exact name on the Linux side before it compares names
    // without regard to case (between two names that differ only in case, it takes the first
    // it comes across).
    static std::shared_ptr<Node> find_child(const Node& dir, PStringView name) {
        if (auto exact = find_exact(dir, name)) return exact;
        std::u16string folded = fold_key(name);
        folded.push_back(u'\0');
        const auto it = dir.children.lower_bound(folded);
        if (it != dir.children.end() && it->first.starts_with(folded)) return it->second;
        for (const auto& [key, child] : dir.children)
            if (!child->short_name.empty() && fold_key(child->short_name) == fold_key(name)) return child;
        return nullptr;
    }

    // Creates every missing folder of `path` (links followed) and returns the last one. A test
    // building its world in case-sensitive mode names every folder exactly (a name differing
    // in case makes a folder beside it); the helper's own creations find names as an open does.
    std::shared_ptr<Node> ensure_dirs(const ParsedPath& parsed, bool building) {
        auto& drive = drives[parsed.drive];
        if (!drive) drive = std::make_shared<Node>();
        std::shared_ptr<Node> node = drive;
        for (const PString& component : parsed.components) {
            if (node->is_link()) node = resolve_link(node, 0).value_or(node);
            auto child = building && self.case_sensitive ? find_exact(*node, component) : find_child(*node, component);
            node = child ? child : make_child(node, component, Node::Kind::dir);
        }
        return node;
    }

    std::shared_ptr<Node> add(PStringView path, Node::Kind kind) {
        auto parsed = parse(path).value();
        PString name = parsed.components.back();
        parsed.components.pop_back();
        auto dir = ensure_dirs(parsed, true);
        // What was there by that name makes way, as a test that writes a file anew means.
        if (auto existing = self.case_sensitive ? find_exact(*dir, name) : find_child(*dir, name)) detach(*existing);
        return make_child(dir, name, kind);
    }

    static void detach(Node& node) {
        if (node.parent) node.parent->children.erase(child_key(node.name));
        node.parent = nullptr;
    }

    HandleId open_handle(std::shared_ptr<Node> node, PString path, bool writing = false) {
        ++node->open_count;
        const std::uintptr_t id = next_handle++;
        handles[id] = OpenHandle{std::move(node), std::move(path), writing};
        return HandleId{id};
    }

    // How many entries in the whole file system are names of this file's content.
    std::uint32_t names_of(const std::shared_ptr<std::string>& data) const {
        std::uint32_t count = 0;
        std::vector<const Node*> stack;
        for (const auto& [letter, drive] : drives) stack.push_back(drive.get());
        while (!stack.empty()) {
            const Node* node = stack.back();
            stack.pop_back();
            for (const auto& [key, child] : node->children) {
                if (child->kind == Node::Kind::file && child->data == data) ++count;
                if (child->kind == Node::Kind::dir) stack.push_back(child.get());
            }
        }
        return count;
    }

    OpenHandle* find_handle(HandleId id) {
        auto it = handles.find(id.value);
        return it == handles.end() ? nullptr : &it->second;
    }

    // Windows lists an entry whose deletion is pending until its last handle goes.
    std::vector<DirEntry> entries_of(const Node& dir) const {
        std::vector<DirEntry> out;
        for (const auto& [key, child] : dir.children) out.push_back(DirEntry{child->name, listed_info(child)});
        return out;
    }

    FileInfo listed_info(const std::shared_ptr<Node>& node) const {
        if (!self.follows_final_links || node->kind != Node::Kind::symlink) return node->info();
        // Wine: a folder link is a folder with a reparse point (no tag); a file link is the
        // file it leads to, a dangling one a plain file.
        if (node->link_to_dir) return FileInfo{.directory = true, .reparse_point = true};
        const auto target = resolve_link(node, 0);
        return target ? (*target)->info() : FileInfo{};
    }

    // What an operation that asks not to follow the last component gets: the entry itself,
    // or under Wine what a link leads to.
    std::expected<std::shared_ptr<Node>, std::uint32_t> entry_for_open(std::shared_ptr<Node> node) const {
        if (!self.follows_final_links || !node->is_link()) return node;
        auto target = resolve_link(node, 0);
        if (!target) return std::unexpected(win32_error::file_not_found);
        return *target;
    }

    // Wine's FindFirstFileExW opens the folder without sharing delete, so it cannot look into
    // a folder that the helper holds open (every handle of the helper asks for delete).
    bool listing_refused(const Node& folder) const {
        return self.follows_final_links && folder.open_count > folder.shared_holds;
    }

    // Another program, or the helper, lets go of a node; a pending deletion happens with
    // the last handle. A folder that holds entries again by then stays, without a word.
    static void let_go(Node& node) {
        if (--node.open_count > 0 || !node.delete_pending) return;
        node.delete_pending = false;
        if (node.kind == Node::Kind::dir && !node.children.empty()) return;
        detach(node);
    }
};

std::string_view name_of(Op op) {
    constexpr std::string_view names[] = {
        "module_path", "temp_dir", "set_current_dir", "current_dir", "create_dir_all", "read_file", "file_info",
        "final_path", "list_dir", "list_entry", "open_no_follow", "handle_info", "handle_path", "list_handle",
        "set_disposition", "clear_readonly", "open_for_writing", "handle_links", "truncate", "append", "entry_name",
    };
    static_assert(std::size(names) == static_cast<std::size_t>(Op::entry_name) + 1);
    return names[static_cast<std::size_t>(op)];
}

FakePlatform::FakePlatform() : impl_(std::make_unique<Impl>(*this)) {
    add_dir(u"C:\\");
    add_dir(temp);
    processes.push_back(FakeProcess{own_pid, 1000, u"C:\\Tarvo\\Zudeded2026.exe"});
}

FakePlatform::~FakePlatform() = default;

void FakePlatform::add_dir(PStringView path) { impl_->ensure_dirs(impl_->parse(path).value(), true); }

void FakePlatform::add_file(PStringView path, std::string_view content, bool readonly) {
    auto node = impl_->add(path, Node::Kind::file);
    *node->data = std::string(content);
    node->readonly = readonly;
}

void FakePlatform::add_shortcut(PStringView path, PStringView target) {
    add_file(path, std::string(shortcut_magic) + to_utf8(target));
}

void FakePlatform::add_symlink(PStringView path, PStringView target, bool directory) {
    auto node = impl_->add(path, Node::Kind::symlink);
    node->target = PString(target);
    node->link_to_dir = directory;
}

void FakePlatform::add_junction(PStringView path, PStringView target) {
    auto node = impl_->add(path, Node::Kind::junction);
    node->target = PString(target);
}

bool FakePlatform::exists(PStringView path) const { return impl_->lookup(path, false).has_value(); }

std::string FakePlatform::content(PStringView path) const {
    auto node = impl_->lookup(path, true);
    return node && (*node)->kind == Node::Kind::file ? *(*node)->data : std::string{};
}

std::vector<std::string> FakePlatform::tree(PStringView root) const {
    std::vector<std::string> out;
    for (const auto& [path, what] : snapshot({root})) out.push_back(path);
    return out;
}

std::map<std::string, std::string> FakePlatform::snapshot(std::initializer_list<PStringView> roots) const {
    std::map<std::string, std::string> out;
    struct Item {
        const Node* node;
        std::string path;
    };
    for (const PStringView root : roots) {
        auto node = impl_->lookup(root, false);
        if (!node) continue;
        std::vector<Item> stack{{node->get(), to_utf8(root)}};
        while (!stack.empty()) {
            Item item = stack.back();
            stack.pop_back();
            if (item.node->kind != Node::Kind::dir) continue;
            for (const auto& [key, child] : item.node->children) {
                std::string path = item.path;
                if (path.empty() || path.back() != '\\') path += '\\';
                path += to_utf8(child->name);
                out[path] = child->kind == Node::Kind::dir    ? "<dir>"
                            : child->kind == Node::Kind::file ? *child->data
                                                              : "<link>";
                stack.push_back({child.get(), path});
            }
        }
    }
    return out;
}

std::vector<std::string> FakePlatform::lines(PStringView path) const {
    std::vector<std::string> out;
    const std::string text = content(path);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

void FakePlatform::hold_open(PStringView path, bool share_delete) {
    auto node = impl_->lookup(path, false);
    if (!node) return;
    if (!share_delete) {
        ++(*node)->held;
        return;
    }
    ++(*node)->shared_holds;
    ++(*node)->open_count;
}

void FakePlatform::release(PStringView path) {
    auto node = impl_->lookup(path, false);
    if (!node) return;
    if ((*node)->held > 0) {
        --(*node)->held;
    } else if ((*node)->shared_holds > 0) {
        --(*node)->shared_holds;
        Impl::let_go(**node);
    }
}

int FakePlatform::open_handles() const {
    return static_cast<int>(std::count_if(impl_->handles.begin(), impl_->handles.end(),
                                          [](const auto& handle) { return !handle.second.writing; }));
}

void FakePlatform::add_hard_link(PStringView path, PStringView existing) {
    const auto file = impl_->lookup(existing, false).value();
    auto node = impl_->add(path, Node::Kind::file);
    node->data = file->data;
}

// --- loading -------------------------------------------------------------------------------

std::expected<void, OsError> FakePlatform::library_search() {
    if (library_search_failure) return std::unexpected(*library_search_failure);
    return {};
}

// --- process environment -----------------------------------------------------------------

std::vector<PString> FakePlatform::command_line() { return args; }

std::uint32_t FakePlatform::current_process_id() { return own_pid; }

std::expected<PString, OsError> FakePlatform::module_path() {
    if (auto code = impl_->fault(Op::module_path, module)) return std::unexpected(OsError{*code, "GetModuleFileNameW"});
    return module;
}

std::expected<std::uint32_t, ParentLookupError> FakePlatform::parent_process_id() {
    if (parent_failure) return std::unexpected(*parent_failure);
    for (const FakeProcess& process : processes)
        if (process.pid == own_pid) return process.parent_pid;
    return std::unexpected(ParentLookupError{ParentLookupStep::not_found, OsError{no_more_files, "Process32NextW"}});
}

std::expected<PString, ImageQueryError> FakePlatform::process_image_path(std::uint32_t pid) {
    if (auto it = image_failure.find(pid); it != image_failure.end()) return std::unexpected(it->second);
    for (const FakeProcess& process : processes)
        if (process.pid == pid) return process.image;
    return std::unexpected(ImageQueryError{ImageQueryStep::open, OsError{win32_error::invalid_parameter, "OpenProcess"}});
}

void FakePlatform::exit_process(int status) { exit_status = status; }

std::expected<PString, OsError> FakePlatform::temp_dir() {
    if (auto code = impl_->fault(Op::temp_dir, temp)) return std::unexpected(OsError{*code, "GetTempPathW"});
    return temp;
}

std::expected<void, OsError> FakePlatform::set_current_dir(PStringView path) {
    if (auto code = impl_->fault(Op::set_current_dir, path)) return std::unexpected(OsError{*code, "SetCurrentDirectoryW"});
    auto node = impl_->lookup(path, true);
    if (!node) return std::unexpected(OsError{node.error(), "SetCurrentDirectoryW"});
    if ((*node)->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::directory_expected, "SetCurrentDirectoryW"});
    // Windows keeps the lexical form as given, without a trailing separator except at a root.
    const ParsedPath parsed = impl_->parse(path).value();
    PString dir;
    dir.push_back(static_cast<char16_t>(parsed.drive - 32));
    dir += u":";
    for (const PString& component : parsed.components) dir += u"\\" + component;
    if (parsed.components.empty()) dir += u"\\";
    cwd = dir;
    return {};
}

std::expected<PString, OsError> FakePlatform::current_dir() {
    if (auto code = impl_->fault(Op::current_dir, cwd)) return std::unexpected(OsError{*code, "GetCurrentDirectoryW"});
    return cwd;
}

// --- time ------------------------------------------------------------------------------

std::int64_t FakePlatform::now_unix_ticks() { return now_ticks; }

void FakePlatform::sleep_ms(std::uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
    now_ticks += static_cast<std::int64_t>(milliseconds) * 10'000;
    if (on_sleep) on_sleep();
}

void FakePlatform::yield_processor() { ++yields; }

// --- files -----------------------------------------------------------------------------

std::expected<void, OsError> FakePlatform::create_dir_all(PStringView path) {
    if (auto code = impl_->fault(Op::create_dir_all, path)) return std::unexpected(OsError{*code, "CreateDirectoryW"});
    auto parsed = impl_->parse(path);
    if (!parsed) return std::unexpected(OsError{parsed.error(), "CreateDirectoryW"});
    if (!impl_->drives.contains(parsed->drive)) return std::unexpected(OsError{win32_error::path_not_found, "CreateDirectoryW"});
    // A file in the way stops the walk as CreateDirectoryW would.
    ParsedPath prefix{parsed->drive, {}};
    for (const PString& component : parsed->components) {
        prefix.components.push_back(component);
        auto node = impl_->walk(prefix, true);
        if (node && (*node)->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::already_exists, "CreateDirectoryW"});
    }
    impl_->ensure_dirs(*parsed, false);
    return {};
}

std::expected<std::string, OsError> FakePlatform::read_file(PStringView path) {
    if (auto code = impl_->fault(Op::read_file, path)) return std::unexpected(OsError{*code, "ReadFile"});
    auto node = impl_->lookup(path, true);
    if (!node) return std::unexpected(OsError{node.error(), "CreateFileW"});
    if ((*node)->kind != Node::Kind::file) return std::unexpected(OsError{win32_error::access_denied, "CreateFileW"});
    return *(*node)->data;
}

std::expected<FileInfo, OsError> FakePlatform::file_info(PStringView path, bool follow_links) {
    if (auto code = impl_->fault(Op::file_info, path)) return std::unexpected(OsError{*code, "CreateFileW"});
    auto node = impl_->lookup(path, follow_links || follows_final_links);
    if (!node) return std::unexpected(OsError{node.error(), "CreateFileW"});
    return (*node)->info();
}

std::expected<PString, OsError> FakePlatform::final_path(PStringView path) {
    if (auto code = impl_->fault(Op::final_path, path)) return std::unexpected(OsError{*code, "CreateFileW"});
    auto node = impl_->lookup(path, true);
    if (!node) return std::unexpected(OsError{node.error(), "CreateFileW"});
    return impl_->final_name(node->get());
}

std::expected<std::vector<std::expected<DirEntry, OsError>>, OsError> FakePlatform::list_dir(PStringView path) {
    if (auto code = impl_->fault(Op::list_dir, path)) return std::unexpected(OsError{*code, "FindFirstFileExW"});
    auto node = impl_->lookup(path, true);
    // FindFirstFileExW looks for path\*: a missing folder is a missing parent there.
    if (!node && node.error() == win32_error::file_not_found)
        return std::unexpected(OsError{win32_error::path_not_found, "FindFirstFileExW"});
    if (!node) return std::unexpected(OsError{node.error(), "FindFirstFileExW"});
    if ((*node)->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::directory_expected, "FindFirstFileExW"});
    if (impl_->listing_refused(**node)) return std::unexpected(OsError{win32_error::sharing_violation, "FindFirstFileExW"});
    std::vector<std::expected<DirEntry, OsError>> out;
    for (DirEntry& entry : impl_->entries_of(**node)) {
        if (auto code = impl_->fault(Op::list_entry, winpath::join(path, entry.name)))
            out.push_back(std::unexpected(OsError{*code, "FindNextFileW"}));
        else
            out.push_back(std::move(entry));
    }
    return out;
}

std::expected<void, OsError> FakePlatform::delete_file(PStringView path) {
    auto node = impl_->lookup(path, false);
    if (!node) return std::unexpected(OsError{node.error(), "DeleteFileW"});
    Node& n = **node;
    if (n.held > 0) return std::unexpected(OsError{win32_error::sharing_violation, "DeleteFileW"});
    if (n.info().directory || n.readonly) return std::unexpected(OsError{win32_error::access_denied, "DeleteFileW"});
    Impl::detach(n);
    return {};
}

std::expected<void, OsError> FakePlatform::remove_directory(PStringView path) {
    auto node = impl_->lookup(path, false);
    if (!node) return std::unexpected(OsError{node.error(), "RemoveDirectoryW"});
    Node& n = **node;
    if (!n.info().directory) return std::unexpected(OsError{win32_error::directory_expected, "RemoveDirectoryW"});
    if (n.held > 0) return std::unexpected(OsError{win32_error::sharing_violation, "RemoveDirectoryW"});
    if (!n.is_link() && !n.children.empty()) return std::unexpected(OsError{win32_error::dir_not_empty, "RemoveDirectoryW"});
    if (!n.parent) return std::unexpected(OsError{win32_error::access_denied, "RemoveDirectoryW"});
    Impl::detach(n);
    return {};
}

// --- handle-based deletion ---------------------------------------------------------------

std::expected<HandleId, OsError> FakePlatform::open_no_follow(HandleId parent, PStringView name, OpenFor) {
    PString full;
    std::expected<std::shared_ptr<Node>, std::uint32_t> node = std::unexpected(win32_error::invalid_parameter);
    if (parent) {
        Impl::OpenHandle* dir = impl_->find_handle(parent);
        if (!dir) return std::unexpected(OsError{win32_error::invalid_parameter, "NtOpenFile"});
        full = winpath::join(dir->path, name);
        if (auto code = impl_->fault(Op::open_no_follow, full)) return std::unexpected(OsError{*code, "NtOpenFile"});
        if (dir->node->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::directory_expected, "NtOpenFile"});
        auto child = Impl::find_child(*dir->node, name);
        if (!child) return std::unexpected(OsError{win32_error::file_not_found, "NtOpenFile"});
        node = std::move(child);
    } else {
        full = PString(name);
        if (auto code = impl_->fault(Op::open_no_follow, full)) return std::unexpected(OsError{*code, "CreateFileW"});
        node = impl_->lookup(name, false);
        if (!node) return std::unexpected(OsError{node.error(), "CreateFileW"});
    }
    node = impl_->entry_for_open(*node);
    if (!node) return std::unexpected(OsError{node.error(), "CreateFileW"});
    if ((*node)->held > 0) return std::unexpected(OsError{win32_error::sharing_violation, "CreateFileW"});
    // Windows refuses to open what waits for its deletion; Wine opens it.
    if ((*node)->delete_pending && !follows_final_links)
        return std::unexpected(OsError{win32_error::access_denied, "CreateFileW"});
    return impl_->open_handle(*node, full);
}

std::expected<FileInfo, OsError> FakePlatform::handle_info(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "GetFileInformationByHandleEx"});
    if (auto code = impl_->fault(Op::handle_info, open->path)) return std::unexpected(OsError{*code, "GetFileInformationByHandleEx"});
    return open->node->info();
}

std::expected<PString, OsError> FakePlatform::handle_path(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "GetFinalPathNameByHandleW"});
    if (auto code = impl_->fault(Op::handle_path, open->path)) return std::unexpected(OsError{*code, "GetFinalPathNameByHandleW"});
    const Node* node = open->node.get();
    return impl_->final_name(node);
}

std::expected<std::vector<DirEntry>, OsError> FakePlatform::list_handle(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "GetFileInformationByHandleEx"});
    if (auto code = impl_->fault(Op::list_handle, open->path)) return std::unexpected(OsError{*code, "GetFileInformationByHandleEx"});
    if (open->node->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::directory_expected, "GetFileInformationByHandleEx"});
    return impl_->entries_of(*open->node);
}

std::expected<void, OsError> FakePlatform::set_disposition(HandleId handle, Disposition how) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "SetFileInformationByHandle"});
    if (auto code = impl_->fault(Op::set_disposition, open->path)) return std::unexpected(OsError{*code, "SetFileInformationByHandle"});
    Node& node = *open->node;
    if (how == Disposition::extended && !extended_disposition_supported)
        return std::unexpected(OsError{win32_error::invalid_parameter, "SetFileInformationByHandle"});
    if (how == Disposition::classic && node.readonly)
        return std::unexpected(OsError{win32_error::access_denied, "SetFileInformationByHandle"});
    // An entry that waits for its holder still counts: the folder is not empty.
    if (node.kind == Node::Kind::dir && !node.children.empty())
        return std::unexpected(OsError{win32_error::dir_not_empty, "SetFileInformationByHandle"});
    if (!node.parent) return std::unexpected(OsError{win32_error::access_denied, "SetFileInformationByHandle"});
    // POSIX semantics: the name goes at once, whoever still holds the object.
    if (how == Disposition::extended) Impl::detach(node);
    else node.delete_pending = true;
    return {};
}

std::expected<void, OsError> FakePlatform::clear_readonly(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "SetFileInformationByHandle"});
    if (auto code = impl_->fault(Op::clear_readonly, open->path)) return std::unexpected(OsError{*code, "SetFileInformationByHandle"});
    open->node->readonly = false;
    return {};
}

void FakePlatform::close(HandleId handle) {
    auto it = impl_->handles.find(handle.value);
    if (it == impl_->handles.end()) return;
    std::shared_ptr<Node> node = it->second.node;
    impl_->handles.erase(it);
    // A delete disposition takes effect when the last handle goes.
    Impl::let_go(*node);
}

// --- writing through a handle ------------------------------------------------------------

std::expected<HandleId, OsError> FakePlatform::open_for_writing(HandleId dir, PStringView name) {
    Impl::OpenHandle* folder = impl_->find_handle(dir);
    if (!folder) return std::unexpected(OsError{win32_error::invalid_parameter, "NtCreateFile"});
    PString full = winpath::join(folder->path, name);
    if (auto code = impl_->fault(Op::open_for_writing, full)) return std::unexpected(OsError{*code, "NtCreateFile"});
    const std::shared_ptr<Node> parent = folder->node;
    if (parent->kind != Node::Kind::dir) return std::unexpected(OsError{win32_error::directory_expected, "NtCreateFile"});
    const auto existing = Impl::find_child(*parent, name);
    if (!existing) return impl_->open_handle(impl_->make_child(parent, name, Node::Kind::file), std::move(full), true);
    // A link that leads nowhere is an entry all the same: nothing is made where it leads.
    const auto node = impl_->entry_for_open(existing);
    if (!node) return std::unexpected(OsError{win32_error::already_exists, "NtCreateFile"});
    // A folder, a folder link or a junction is no file; a read-only file refuses writers, and
    // Windows refuses to open what waits for its deletion.
    const Node& entry = **node;
    if (entry.info().directory || entry.readonly || (entry.delete_pending && !follows_final_links))
        return std::unexpected(OsError{win32_error::access_denied, "NtCreateFile"});
    return impl_->open_handle(*node, std::move(full), true);
}

std::expected<std::uint32_t, OsError> FakePlatform::handle_links(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "GetFileInformationByHandleEx"});
    if (auto code = impl_->fault(Op::handle_links, open->path)) return std::unexpected(OsError{*code, "GetFileInformationByHandleEx"});
    return impl_->names_of(open->node->data);
}

std::expected<void, OsError> FakePlatform::truncate(HandleId handle) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "SetFileInformationByHandle"});
    if (auto code = impl_->fault(Op::truncate, open->path)) return std::unexpected(OsError{*code, "SetFileInformationByHandle"});
    if (open->node->kind != Node::Kind::file) return std::unexpected(OsError{win32_error::access_denied, "SetFileInformationByHandle"});
    open->node->data->clear();
    return {};
}

std::expected<void, OsError> FakePlatform::append(HandleId handle, std::string_view bytes) {
    Impl::OpenHandle* open = impl_->find_handle(handle);
    if (!open) return std::unexpected(OsError{win32_error::invalid_parameter, "WriteFile"});
    if (auto code = impl_->fault(Op::append, open->path)) return std::unexpected(OsError{*code, "WriteFile"});
    if (open->node->kind != Node::Kind::file) return std::unexpected(OsError{win32_error::access_denied, "WriteFile"});
    *open->node->data += bytes;
    return {};
}

// --- shell links -------------------------------------------------------------------------

std::expected<PString, ShortcutError> FakePlatform::read_shortcut_target(PStringView path) {
    if (shortcut_failure) return std::unexpected(*shortcut_failure);
    auto node = impl_->lookup(path, true);
    if (!node) return std::unexpected(ShortcutError{ShortcutStep::load, status_from_win32(node.error()), {}});
    if ((*node)->kind != Node::Kind::file) return std::unexpected(ShortcutError{ShortcutStep::load, 0x80070005, {}});
    const std::string& content = *(*node)->data;
    if (!content.starts_with(shortcut_magic)) return std::unexpected(ShortcutError{ShortcutStep::load, 0x80004005, {}});
    // The shell hands a target back with '\' for every '/' it was saved with.
    PString target = to_utf16(std::string_view(content).substr(shortcut_magic.size()));
    std::replace(target.begin(), target.end(), u'/', u'\\');
    return target;
}

// --- names as the folder spells them -------------------------------------------------------

std::expected<PString, OsError> FakePlatform::entry_name(PStringView path) {
    if (auto code = impl_->fault(Op::entry_name, path)) return std::unexpected(OsError{*code, "FindFirstFileExW"});
    auto place = impl_->parent_for(path);
    if (!place) {
        const std::uint32_t code = place.error() == win32_error::access_denied ? win32_error::file_not_found : place.error();
        return std::unexpected(OsError{code, "FindFirstFileExW"});
    }
    if (impl_->listing_refused(*place->first))
        return std::unexpected(OsError{win32_error::sharing_violation, "FindFirstFileExW"});
    const auto node = Impl::find_child(*place->first, place->second);
    if (!node) return std::unexpected(OsError{win32_error::file_not_found, "FindFirstFileExW"});
    return node->name;
}

void FakePlatform::set_short_name(PStringView path, PStringView short_name) {
    if (auto node = impl_->lookup(path, false)) (*node)->short_name = PString(short_name);
}

// --- message texts ---------------------------------------------------------------------

std::string FakePlatform::system_message(std::uint32_t code) {
    if (auto it = messages.find(code); it != messages.end()) return it->second;
    switch (code) {
    case win32_error::file_not_found: return "The system cannot find the file specified.";
    case win32_error::path_not_found: return "The system cannot find the path specified.";
    case win32_error::access_denied: return "Access is denied.";
    case win32_error::sharing_violation: return "The process cannot access the file because it is being used by another process.";
    case win32_error::invalid_parameter: return "The parameter is incorrect.";
    case win32_error::dir_not_empty: return "The directory is not empty.";
    case win32_error::directory_expected: return "The directory name is invalid.";
    default: return {};
    }
}

std::string FakePlatform::status_message(std::uint32_t status) {
    if ((status & 0xFFFF0000u) == 0x80070000u) return system_message(status & 0xFFFFu);
    if (status == 0x80004005u) return "Unspecified error";
    return {};
}

}  // namespace tu::fake
