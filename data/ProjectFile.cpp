#include "data/ProjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <random>
#include <system_error>

namespace velmora {

namespace {

constexpr const char* kEol = "\r\n";
constexpr std::size_t kClearedFields = 11;
// A project at capacity is well under a megabyte; anything far larger is not
// a project file and is refused before it is read into memory.
constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The splitters' one algorithm, over views into `text`: every field is the
// trimmed stretch between two splitting separators (a separator straight
// after another only joins the next field). `notAfterSeparator` is the flag
// that says the previous character was not a separator. Returns how many
// fields were written; 0 for an empty separator.
template <std::size_t N>
std::size_t SplitViews(std::array<std::string_view, N>& fields, std::string_view text,
                       std::string_view separator, bool notAfterSeparator) {
    if (separator.empty())
        return 0;
    // A longer "separator" never equals a single character.
    const bool single = separator.size() == 1;
    const char sep = separator.front();
    std::size_t n = 0;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool isSeparator = single && text[i] == sep;
        if (!isSeparator) {
            notAfterSeparator = true;
        } else if (notAfterSeparator && n + 1 < N) {
            fields[n++] = Trim(text.substr(begin, i - begin));
            begin = i + 1;
            notAfterSeparator = false;
        }
        // Otherwise the separator joins the current field; once the last
        // slot is reached, the rest of the text stays in it.
    }
    fields[n] = Trim(text.substr(begin));
    return n + 1;
}

// Index of the last non-empty field after SplitViews wrote `written` fields.
int LastField(std::size_t written, std::string_view lastWritten) {
    if (written == 0)
        return -1;
    const int last = static_cast<int>(written) - 1;
    return lastWritten.empty() ? last - 1 : last;
}

template <std::size_t N>
int Split(std::array<std::string, N>& fields, std::string_view text, std::string_view separator,
          bool notAfterSeparator) {
    static_assert(N > kClearedFields);
    // Only the first eleven fields are cleared; later ones keep older text.
    for (std::size_t i = 0; i < kClearedFields; ++i)
        fields[i].clear();
    std::array<std::string_view, N> views{};
    const std::size_t written = SplitViews(views, text, separator, notAfterSeparator);
    for (std::size_t i = 0; i < written; ++i)
        fields[i] = views[i];
    return LastField(written, written ? views[written - 1] : std::string_view());
}

std::size_t Used(Count n, std::size_t capacity) {
    if (n <= 0)
        return 0;
    return std::min(static_cast<std::size_t>(n), capacity);
}

// One line of "####0.0" fields.
void AppendFixedLine(std::string& out, std::initializer_list<double> values) {
    bool first = true;
    for (const double v : values) {
        if (!first)
            out += ',';
        AppendFixed1(out, v);
        first = false;
    }
    out += kEol;
}

void AppendFields(std::string& out, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const auto& f : fields) {
        if (!first)
            out += ',';
        out += f;
        first = false;
    }
    out += kEol;
}

// --- reading -------------------------------------------------------------

// Leaves no trace of a failed read: every slot and count back to 0.
void ClearTables(BuildingData& d) {
    d.gTopAreaX.fill(0);
    d.gTopAreaY.fill(0);
    d.gFlatTopAreaX.fill(0);
    d.gFlatTopAreaY.fill(0);
    d.gEachTopAreaStartNum.fill(0);
    d.gEachTopAreaPointNum.fill(0);
    d.gEachClosedTopAreaSTS.fill(0);
    d.gFlatTopHeight.fill(0);
    d.gFirstWallEdgeX.fill(0);
    d.gFirstWallEdgeY.fill(0);
    d.gSecondWallEdgeX.fill(0);
    d.gSecondWallEdgeY.fill(0);
    d.gWallEdgefotEachTopArea.fill(0);
    d.gTopAreaPointTotalNumber = 0;
    d.gEachTopAreaNumber = 0;
    d.gWallEdgeNumber = 0;
}

class ReadFailure {
  public:
    ReadFailure(int line, std::string what) : line_(line), what_(std::move(what)) {}
    FileResult Result() const {
        FileResult r;
        r.ok = false;
        r.line = line_;
        r.error = line_ > 0 ? "line " + std::to_string(line_) + ": " + what_ : what_;
        return r;
    }

  private:
    int line_;
    std::string what_;
};

// Hands out the lines of the text; LF or CR LF ends a line.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    // The next line, or a failure naming the line that is missing.
    std::string_view Next(const char* what) {
        ++number_;
        if (pos_ >= text_.size())
            throw ReadFailure(number_, std::string("the file ends before ") + what);
        const auto lf = text_.find('\n', pos_);
        const auto end = lf == std::string_view::npos ? text_.size() : lf;
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = lf == std::string_view::npos ? text_.size() : lf + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    int Number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

class FieldReader {
  public:
    // Takes the next line and splits it at ",".
    void Load(Lines& lines, const char* what) {
        const std::string_view line = lines.Next(what);
        used_ = SplitViews(fields_, line, ",", true);
        lineNo_ = lines.Number();
    }

    // A field the line does not have reads as 0.
    double Number(std::size_t i) const { return i < used_ ? Checked(fields_[i], lineNo_, i) : 0.0; }

    Count Integer(std::size_t i) const {
        const auto c = ToCount(Number(i));
        if (!c)
            throw ReadFailure(lineNo_, "field " + std::to_string(i + 1) +
                                           " is not a whole number that fits");
        return *c;
    }

    // True when some field starts as a number would (blanks are trimmed).
    bool AnyNumber() const {
        return std::any_of(fields_.begin(), fields_.begin() + static_cast<std::ptrdiff_t>(used_),
                           [](std::string_view t) {
                               if (!t.empty() && (t.front() == '+' || t.front() == '-'))
                                   t.remove_prefix(1);
                               if (!t.empty() && t.front() == '.')
                                   t.remove_prefix(1);
                               return !t.empty() && t.front() >= '0' && t.front() <= '9';
                           });
    }

    static double Checked(std::string_view text, int lineNo, std::size_t field) {
        const auto v = ParseLeadingNumberChecked(text);
        if (!v)
            throw ReadFailure(lineNo, "field " + std::to_string(field + 1) +
                                          " is too large for a 32-bit number");
        return *v;
    }

  private:
    std::array<std::string_view, kSplitFieldCapacity> fields_{};
    std::size_t used_ = 0;
    int lineNo_ = 0;
};

Count ReadCount(Lines& lines, const char* what, std::size_t capacity) {
    const std::string_view line = lines.Next((std::string("the number of ") + what).c_str());
    const double v = FieldReader::Checked(line, lines.Number(), 0);
    const auto c = ToCount(v);
    if (!c || *c < 0 || static_cast<std::size_t>(*c) > capacity)
        throw ReadFailure(lines.Number(), std::string("the number of ") + what + " (" +
                                              std::string(Trim(line)) + ") is outside 0 to " +
                                              std::to_string(capacity));
    return *c;
}

void ParseInto(BuildingData& d, std::string_view text, ViewGeometry& viewOut) {
    Lines lines(text);
    FieldReader f;

    const std::string_view angleLine = lines.Next("the north angle");
    const double angle = FieldReader::Checked(angleLine, lines.Number(), 0);

    f.Load(lines, "the picture view geometry");
    // Every written file has numbers here; blank lines or other text would
    // otherwise open as an empty project and replace the user's work.
    if (!f.AnyNumber())
        throw ReadFailure(lines.Number(), "画像表示の行に数値がありません。"
                                          "プロジェクト ファイルではありません。");
    ViewGeometry view;
    view.height = static_cast<float>(f.Number(0));
    view.width = static_cast<float>(f.Number(1));
    view.top = static_cast<float>(f.Number(2));
    view.left = static_cast<float>(f.Number(3));

    f.Load(lines, "the altitudes");
    const double source = f.Number(0);
    const double flat = f.Number(1);
    const double slide = f.Number(2);
    const double slideAngle = f.Number(3);

    // Tables go straight into the record; a failure clears them again.
    const Count points = ReadCount(lines, "points", kPointCapacity);
    for (Count i = 0; i < points; ++i) {
        const auto s = static_cast<std::size_t>(i);
        f.Load(lines, "all points are read");
        d.gTopAreaX[s] = static_cast<float>(f.Number(0));
        d.gTopAreaY[s] = static_cast<float>(f.Number(1));
        d.gFlatTopAreaX[s] = static_cast<float>(f.Number(2));
        d.gFlatTopAreaY[s] = static_cast<float>(f.Number(3));
    }

    const Count roofs = ReadCount(lines, "roofs", kRoofCapacity);
    for (Count r = 0; r < roofs; ++r) {
        const auto s = static_cast<std::size_t>(r);
        f.Load(lines, "all roofs are read");
        const Count start = f.Integer(0);
        const Count count = f.Integer(1);
        if (start < 0 || count < 0 || start + count > points)
            throw ReadFailure(lines.Number(), "roof " + std::to_string(r) + " (points " +
                                                  std::to_string(start) + " + " +
                                                  std::to_string(count) + ") reaches past the " +
                                                  std::to_string(points) + " points");
        d.gEachTopAreaStartNum[s] = start;
        d.gEachTopAreaPointNum[s] = count;
        d.gEachClosedTopAreaSTS[s] = f.Integer(2);
        d.gFlatTopHeight[s] = static_cast<float>(f.Number(3));
    }

    const Count walls = ReadCount(lines, "wall lines", kWallCapacity);
    for (Count w = 0; w < walls; ++w) {
        const auto s = static_cast<std::size_t>(w);
        f.Load(lines, "all wall lines are read");
        d.gFirstWallEdgeX[s] = static_cast<float>(f.Number(0));
        d.gFirstWallEdgeY[s] = static_cast<float>(f.Number(1));
        d.gSecondWallEdgeX[s] = static_cast<float>(f.Number(2));
        d.gSecondWallEdgeY[s] = static_cast<float>(f.Number(3));
        const Count owner = f.Integer(4);
        if (owner < 0 || owner >= roofs)
            throw ReadFailure(lines.Number(), "wall line " + std::to_string(w) + " names roof " +
                                                  std::to_string(owner) + ", but there are " +
                                                  std::to_string(roofs) + " roofs");
        d.gWallEdgefotEachTopArea[s] = owner;
    }

    // Everything read: commit the scalars.
    d.gNorthAngle = static_cast<float>(angle);
    d.gSourceHeight = static_cast<float>(source);
    d.gFlatHeight = static_cast<float>(flat);
    d.gSlideHeight = static_cast<float>(slide);
    d.gSlideAngle = static_cast<float>(slideAngle);
    d.gTopAreaPointTotalNumber = points;
    d.gEachTopAreaNumber = roofs;
    d.gWallEdgeNumber = walls;
    viewOut = view;
}

std::string TooLarge(std::uintmax_t bytes) {
    return "ファイルが大きすぎます（" + std::to_string(bytes) + " バイト、上限 " +
           std::to_string(kMaxFileBytes / (1024 * 1024)) + " MB）。";
}

// The format is ASCII: a NUL (UTF-16 and binary files) or a byte above 0x7F
// means this is some other file, which must not open as a project.
void CheckAscii(std::string_view text) {
    const auto bad = std::find_if(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == 0 || b > 0x7F;
    });
    if (bad == text.end())
        return;
    const int line = 1 + static_cast<int>(std::count(text.begin(), bad, '\n'));
    const char* kind = "NUL バイト";
    char hex[40];
    if (*bad != 0) {
        std::snprintf(hex, sizeof hex, "ASCII 以外のバイト（0x%02X）",
                      static_cast<unsigned>(static_cast<unsigned char>(*bad)));
        kind = hex;
    }
    throw ReadFailure(line, std::string(kind) +
                                "があります。プロジェクト ファイルは ASCII のテキストです"
                                "（UTF-16 や Shift_JIS などのファイルは読めません）。");
}

// A failed result built without letting an allocation failure escape.
FileResult Failed(std::string_view what, std::string_view detail = {}) noexcept {
    FileResult r;
    r.ok = false;
    try {
        r.error = what;
        r.error += detail;
    } catch (...) {
        // Out of memory: a failure without its reason is still a failure.
    }
    return r;
}

FileResult ParseText(BuildingData& d, std::string_view text, ViewGeometry& viewOut) {
    try {
        if (text.size() > kMaxFileBytes)
            throw ReadFailure(0, TooLarge(text.size()));
        // Many Windows editors start a saved file with a UTF-8 byte-order mark.
        if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        CheckAscii(text);
        ParseInto(d, text, viewOut);
    } catch (const ReadFailure& failure) {
        ClearTables(d);
        return failure.Result();
    }
    return {};
}

FileResult ReadFile(BuildingData& d, const std::string& path, ViewGeometry& viewOut) {
    const auto fail = [&d](std::string what) {
        ClearTables(d);
        return Failed(what);
    };
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail("cannot open " + path);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // Only a plain file: a folder opens but has no text, and a pipe or device
    // would block or never end.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail("cannot open " + path);
    // Decided from the size alone, before any memory is taken for the text.
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes)
        return fail(TooLarge(static_cast<std::uintmax_t>(st.st_size)));
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("cannot read " + path);
        if (n == 0)
            break; // the file shrank since fstat
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return ParseText(d, text, viewOut);
}

// --- writing -------------------------------------------------------------

// The file a save really replaces: symbolic links are followed, as editors
// do, so a link keeps pointing at a file that holds the new text (a dangling
// link gets its target created). nullopt for a loop of links.
std::optional<std::filesystem::path> FollowLinks(std::filesystem::path p) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::read_symlink(p, ec);
        if (ec)
            return std::nullopt;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return std::nullopt;
}

// The mode a plain create gives a new file: 0666 less the umask. Linux shows
// the umask in /proc; umask() would change it for every thread for a moment.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The temporary file of a save: closed, and removed unless it took the
// target's place, on every way out.
class TempFile {
  public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        Close();
        if (!name_.empty() && !placed_)
            ::unlink(name_.c_str());
    }

    // A fresh name in `folder`, created exclusively and never through a link:
    // a name planted there beforehand cannot redirect the save.
    bool Create(const std::filesystem::path& folder) {
        static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device device;
        std::mt19937_64 rng((static_cast<std::uint64_t>(device()) << 32) ^ device());
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = ".velmora-";
            for (int i = 0; i < 12; ++i)
                name += kAlphabet[rng() % (sizeof kAlphabet - 1)];
            name += ".tmp";
            const std::string candidate = (folder / name).string();
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0600);
            if (fd_ >= 0) {
                name_ = candidate;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool Write(std::string_view text) {
        while (!text.empty()) {
            const ssize_t n = ::write(fd_, text.data(), text.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void Placed() { placed_ = true; }

  private:
    int fd_ = -1;
    std::string name_;
    bool placed_ = false;
};

std::string ErrnoText() {
    return std::error_code(errno, std::generic_category()).message();
}

FileResult WriteFile(BuildingData& d, const ViewGeometry& view, const std::string& path) {
    namespace fs = std::filesystem;
    const auto fail = [](std::string what) { return Failed(what); };
    if (path.empty())
        return fail("no file name");
    if (!fs::path(path).has_filename())
        return fail("no file name in " + path);
    const std::optional<fs::path> resolved = FollowLinks(path);
    if (!resolved)
        return fail("シンボリック リンクをたどれません（循環しています）: " + path);
    const fs::path& target = *resolved;
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return fail("同じ名前のフォルダがあります: " + target.string());
    if (exists && !S_ISREG(st.st_mode))
        return fail("通常のファイルではないので上書きしません: " + target.string());
    // Replacing goes through the folder, so a file the user may not write
    // would otherwise be replaced without a word.
    if (exists && ::access(target.c_str(), W_OK) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS))
        return fail("書き込みが許可されていないファイルなので上書きしません: " + target.string());

    const std::string text = ProjectFileText(d, view);
    TempFile temp;
    if (!temp.Create(folder))
        return fail("cannot create a temporary file in " + folder.string() + ": " + ErrnoText());
    if (!temp.Write(text))
        return fail("cannot write " + temp.Name() + ": " + ErrnoText());
    if (exists && ::fchown(temp.Fd(), st.st_uid, st.st_gid) != 0) {
        // Keeping the owner is a courtesy only root (or the owner, for the
        // group) can give; the save goes on without it.
    }
    // The new file keeps the mode of the one it replaces.
    const mode_t mode = exists ? st.st_mode & 07777 : NewFileMode();
    if (::fchmod(temp.Fd(), mode) != 0)
        return fail("cannot set the mode of " + temp.Name() + ": " + ErrnoText());
    // On disk before the rename, so a power cut leaves the old or the new
    // file, never an empty one.
    if (::fsync(temp.Fd()) != 0 || !temp.Close())
        return fail("cannot write " + temp.Name() + ": " + ErrnoText());
    if (::rename(temp.Name().c_str(), target.c_str()) != 0)
        return fail("cannot replace " + target.string() + ": " + ErrnoText());
    temp.Placed();
    // Makes the rename itself durable. The file is already replaced, so a
    // folder that cannot be synced (some file systems refuse) is no failure.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    d.gTempDataSTS = ToVBool(WorthKeepingAsTempData(d));
    return {};
}

} // namespace

int SplitLine(BuildingData& d, std::string_view text, std::string_view separator) {
    return Split(d.gSplitField, text, separator, true);
}

int SplitPath(BuildingData& d, std::string_view text, std::string_view separator) {
    return Split(d.gPathField, text, separator, false);
}

std::string ProjectFileText(const BuildingData& d, const ViewGeometry& view) {
    const std::size_t points = Used(d.gTopAreaPointTotalNumber, kPointCapacity);
    const std::size_t roofs = Used(d.gEachTopAreaNumber, kRoofCapacity);
    const std::size_t walls = Used(d.gWallEdgeNumber, kWallCapacity);
    std::string out;
    out.reserve(64 + points * 16 + roofs * 24 + walls * 36);

    out += FormatWhole(d.gNorthAngle);
    out += kEol;
    AppendFields(out, {FormatGeneral(view.height), FormatGeneral(view.width), FormatWhole(view.top),
                       FormatWhole(view.left)});
    AppendFields(out, {FormatGeneral(d.gSourceHeight), FormatGeneral(d.gFlatHeight),
                       FormatGeneral(d.gSlideHeight), FormatGeneral(d.gSlideAngle)});

    out += FormatGeneral(static_cast<float>(points));
    out += kEol;
    for (std::size_t i = 0; i < points; ++i)
        AppendFixedLine(out, {d.gTopAreaX[i], d.gTopAreaY[i]});

    out += FormatGeneral(static_cast<float>(roofs));
    out += kEol;
    for (std::size_t r = 0; r < roofs; ++r)
        AppendFixedLine(out,
                        {static_cast<double>(d.gEachTopAreaStartNum[r]),
                         static_cast<double>(d.gEachTopAreaPointNum[r]),
                         static_cast<double>(d.gEachClosedTopAreaSTS[r]), d.gFlatTopHeight[r]});

    out += FormatGeneral(static_cast<float>(walls));
    out += kEol;
    for (std::size_t w = 0; w < walls; ++w)
        AppendFixedLine(out,
                        {d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w], d.gSecondWallEdgeX[w],
                         d.gSecondWallEdgeY[w], static_cast<double>(d.gWallEdgefotEachTopArea[w])});
    return out;
}

bool WorthKeepingAsTempData(const BuildingData& d) {
    return d.gTopAreaPointTotalNumber > 0 && d.gEachTopAreaNumber > 2 && d.gWallEdgeNumber > 0;
}

FileResult WriteProjectFile(BuildingData& d, const ViewGeometry& view, const std::string& path) {
    try {
        return WriteFile(d, view, path);
    } catch (const std::bad_alloc&) {
        return Failed("メモリが足りないため保存できません。");
    } catch (const std::exception& e) {
        return Failed("保存中にエラーが起きました: ", e.what());
    }
}

// No exception leaves the readers: a failed allocation (or any other) is a
// failed read, with the tables cleared as for any failure.
FileResult ReadProjectText(BuildingData& d, std::string_view text, ViewGeometry& viewOut) {
    try {
        return ParseText(d, text, viewOut);
    } catch (const std::bad_alloc&) {
        ClearTables(d);
        return Failed("メモリが足りないため読み込めません。");
    } catch (const std::exception& e) {
        ClearTables(d);
        return Failed("読み込み中にエラーが起きました: ", e.what());
    }
}

FileResult ReadProjectFile(BuildingData& d, const std::string& path, ViewGeometry& viewOut) {
    try {
        return ReadFile(d, path, viewOut);
    } catch (const std::bad_alloc&) {
        ClearTables(d);
        return Failed("メモリが足りないため読み込めません。");
    } catch (const std::exception& e) {
        ClearTables(d);
        return Failed("読み込み中にエラーが起きました: ", e.what());
    }
}

} // namespace velmora
