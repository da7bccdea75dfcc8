// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/ProjectFile.h"

#include "data/SafeFile.h"

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
    ReadFailure(int line, std::string what, std::string english = {})
        : line_(line), what_(std::move(what)), english_(std::move(english)) {}
    FileResult Result() const {
        FileResult r;
        r.ok = false;
        r.line = line_;
        const std::string prefix = line_ > 0 ? "line " + std::to_string(line_) + ": " : "";
        r.error = prefix + what_;
        if (!english_.empty())
            r.english = prefix + english_;
        return r;
    }

  private:
    int line_;
    std::string what_;
    std::string english_;
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
        throw ReadFailure(lines.Number(),
                          "画像表示の行に数値がありません。"
                          "プロジェクト ファイルではありません。",
                          "the picture view line holds no number: not a project file");
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

ReadFailure TooLarge(std::uintmax_t bytes) {
    return ReadFailure(0,
                       "ファイルが大きすぎます（" + std::to_string(bytes) + " バイト、上限 " +
                           std::to_string(kMaxFileBytes / (1024 * 1024)) + " MB）。",
                       "the file is too large (" + std::to_string(bytes) + " bytes; at most " +
                           std::to_string(kMaxFileBytes / (1024 * 1024)) + " MB)");
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
    const char* english = "a NUL byte";
    char hex[40];
    char hexEnglish[40];
    if (*bad != 0) {
        const auto b = static_cast<unsigned>(static_cast<unsigned char>(*bad));
        std::snprintf(hex, sizeof hex, "ASCII 以外のバイト（0x%02X）", b);
        std::snprintf(hexEnglish, sizeof hexEnglish, "a byte outside ASCII (0x%02X)", b);
        kind = hex;
        english = hexEnglish;
    }
    throw ReadFailure(line,
                      std::string(kind) + "があります。プロジェクト ファイルは ASCII のテキストです"
                                          "（UTF-16 や Shift_JIS などのファイルは読めません）。",
                      std::string(english) +
                          ": a project file is ASCII text (UTF-16 or Shift_JIS files cannot be "
                          "read)");
}

// A failed result built without letting an allocation failure escape.
FileResult Failed(std::string_view what, std::string_view detail = {},
                  std::string_view english = {}) noexcept {
    FileResult r;
    r.ok = false;
    try {
        r.error = what;
        r.error += detail;
        if (!english.empty()) {
            r.english = english;
            r.english += detail;
        }
    } catch (...) {
        // Out of memory: a failure without its reason is still a failure.
    }
    return r;
}

FileResult ParseText(BuildingData& d, std::string_view text, ViewGeometry& viewOut) {
    try {
        if (text.size() > kMaxFileBytes)
            throw TooLarge(text.size());
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
    // The system's reason, as the window shows it and in English.
    const auto fail = [&d, &path](const char* japanese, const char* english, int error) {
        ClearTables(d);
        const std::string reason = std::error_code(error, std::generic_category()).message();
        return Failed(std::string(japanese) + "（" + reason + "）: " + path, {},
                      std::string(english) + ": " + reason);
    };
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail("ファイルを開けません", "cannot open", errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // Only a plain file: a folder opens but has no text, and a pipe or device
    // would block or never end.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail("ファイルを開けません", "cannot open", errno);
    if (!S_ISREG(st.st_mode)) {
        ClearTables(d);
        return Failed("通常のファイルではないので開けません: " + path, {},
                      S_ISDIR(st.st_mode) ? "is a folder, not a project file"
                                          : "not a regular file");
    }
    // Decided from the size alone, before any memory is taken for the text.
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes) {
        ClearTables(d);
        return TooLarge(static_cast<std::uintmax_t>(st.st_size)).Result();
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    if (const int error = ReadFully(fd, text); error != 0)
        return fail("ファイルを読み込めません", "cannot read", error);
    return ParseText(d, text, viewOut);
}

// --- writing -------------------------------------------------------------

// The save's failure as the window shows it.
std::string SaveFailureText(const SaveError& e) {
    const std::string reason =
        e.error != 0 ? ": " + std::error_code(e.error, std::generic_category()).message() : "";
    switch (e.fault) {
    case SaveFault::None:
        return {};
    case SaveFault::NoFileName:
        return e.path.empty() ? "ファイル名がありません。" : "ファイル名がありません: " + e.path;
    case SaveFault::LinkLoop:
        return "シンボリック リンクをたどれません（循環しています）: " + e.path;
    case SaveFault::Folder:
        return "同じ名前のフォルダがあります: " + e.path;
    case SaveFault::NotRegular:
        return "通常のファイルではないので上書きしません: " + e.path;
    case SaveFault::ReadOnly:
        return "書き込みが許可されていないファイルなので上書きしません: " + e.path;
    case SaveFault::CreateTemp:
        return "一時ファイルを作れません: " + e.path + reason;
    case SaveFault::Write:
    case SaveFault::SetMode:
        return "書き込めません: " + e.path + reason;
    case SaveFault::Replace:
        return "置き換えられません: " + e.path + reason;
    }
    return e.path + reason;
}

FileResult WriteFile(BuildingData& d, const ViewGeometry& view, const std::string& path) {
    if (const SaveError e = SaveFile(path, ProjectFileText(d, view)))
        return Failed(SaveFailureText(e), {}, SaveErrorText(e));
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
        return Failed("メモリが足りないため保存できません。", {}, "out of memory");
    } catch (const std::exception& e) {
        return Failed("保存中にエラーが起きました: ", e.what(), "cannot save: ");
    }
}

// No exception leaves the readers: a failed allocation (or any other) is a
// failed read, with the tables cleared as for any failure.
FileResult ReadProjectText(BuildingData& d, std::string_view text, ViewGeometry& viewOut) {
    try {
        return ParseText(d, text, viewOut);
    } catch (const std::bad_alloc&) {
        ClearTables(d);
        return Failed("メモリが足りないため読み込めません。", {}, "out of memory");
    } catch (const std::exception& e) {
        ClearTables(d);
        return Failed("読み込み中にエラーが起きました: ", e.what(), "cannot read: ");
    }
}

FileResult ReadProjectFile(BuildingData& d, const std::string& path, ViewGeometry& viewOut) {
    try {
        return ReadFile(d, path, viewOut);
    } catch (const std::bad_alloc&) {
        ClearTables(d);
        return Failed("メモリが足りないため読み込めません。", {}, "out of memory");
    } catch (const std::exception& e) {
        ClearTables(d);
        return Failed("読み込み中にエラーが起きました: ", e.what(), "cannot read: ");
    }
}

} // namespace velmora
