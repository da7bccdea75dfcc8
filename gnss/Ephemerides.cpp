// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Ephemerides.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <system_error>

#include "data/SafeFile.h"
#include "gnss/Almanac.h"
#include "gnss/Rtklib.h"
#include "gnss/SatelliteNames.h"
#include "gnss/Sgp4.h"

// RTKLIB's reading functions report through these hooks, which the linking
// program supplies; nothing is shown.
extern "C" {
int showmsg(const char*, ...) {
    return 0;
}
void settspan(velmora::rtk::gtime_t, velmora::rtk::gtime_t) {}
void settime(velmora::rtk::gtime_t) {}
}

namespace velmora::gnss {

namespace {

using rtk::gtime_t;

// RTKLIB's nav_t, obs_t and sta_t are used only through its functions; the
// buffers are larger than any of them and start zeroed, as RTKLIB wants.
constexpr std::size_t kNavBytes = 32u << 20;
constexpr std::size_t kSmallBytes = 1u << 20;

// Mapped rather than allocated: the pages are zero until RTKLIB writes
// them, so the untouched bulk of the buffer costs nothing.
struct Zeroed {
    void* p = nullptr;
    std::size_t n = 0;
    explicit Zeroed(std::size_t bytes)
        : p(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)),
          n(bytes) {
        if (p == MAP_FAILED)
            throw std::bad_alloc();
    }
    Zeroed(const Zeroed&) = delete;
    Zeroed& operator=(const Zeroed&) = delete;
    ~Zeroed() { ::munmap(p, n); }
};

struct Nav {
    Zeroed buffer{kNavBytes};
    Nav() = default;
    Nav(const Nav&) = delete;
    Nav& operator=(const Nav&) = delete;
    ~Nav() { rtk::freenav(buffer.p, 0xFF); }
    // nav_t starts with the counts of its GPS-like and GLONASS records.
    int Records() const {
        const int* n = static_cast<const int*>(buffer.p);
        return n[0] + n[2];
    }
};

gtime_t Gpst(std::int64_t seconds, double fraction) {
    return gtime_t{static_cast<std::time_t>(seconds), fraction};
}

char SystemLetter(int sys) {
    switch (sys) {
    case rtk::kSysGps:
        return 'G';
    case rtk::kSysGlo:
        return 'R';
    case rtk::kSysGal:
        return 'E';
    case rtk::kSysCmp:
        return 'C';
    case rtk::kSysQzs:
        return 'J';
    case rtk::kSysSbs:
        return 'S';
    default:
        return 0;
    }
}

int MaxSatelliteNumber() {
    static const int n = [] {
        int last = 0;
        for (int s = 1; s < 1024; ++s) {
            int prn = 0;
            if (rtk::satsys(s, &prn) != 0)
                last = s;
        }
        return last;
    }();
    return n;
}

bool Healthy(char system, int svh) {
    // QZSS keeps its L1 signal's health apart from the lowest bit.
    if (system == 'J')
        svh &= ~1;
    return svh == 0;
}

using Fix = Ephemerides::Fix;

// Where a position can be: a corrupt ephemeris or a failed propagation
// gives infinities, NaN or places far outside any orbit.
bool AtOrbitDistance(const double r[3]) {
    const double d = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    return std::isfinite(d) && d >= kMinOrbitRadius && d <= kMaxOrbitRadius;
}

Fix BroadcastFix(const Nav& nav, int sat, char system, gtime_t t, double rs[3]) {
    double out[6], dts[2], var = 0;
    int svh = 0;
    if (!rtk::satpos(t, t, sat, rtk::kEphBroadcast, nav.buffer.p, out, dts, &var, &svh) ||
        !AtOrbitDistance(out))
        return Fix::NoEphemeris;
    if (!Healthy(system, svh))
        return Fix::Unhealthy;
    std::copy(out, out + 3, rs);
    return Fix::Position;
}

bool BroadcastPosition(const Nav& nav, int sat, char system, gtime_t t, double rs[3]) {
    return BroadcastFix(nav, sat, system, t, rs) == Fix::Position;
}

// The GPS time of the epochs from, from + step, ... up to `to` (UTC): one
// every `sample` seconds at the most, and the last.
std::vector<gtime_t> Samples(UtcSeconds from, UtcSeconds to, int step, double sample) {
    std::vector<gtime_t> out;
    if (to < from || step <= 0)
        return out;
    const UtcSeconds last = (to - from) / step;
    const double ratio = sample / step;
    const UtcSeconds stride = ratio >= 2 ? static_cast<UtcSeconds>(std::min(ratio, 1e9)) : 1;
    for (UtcSeconds k = 0;; k += stride) {
        const UtcSeconds i = std::min(k, last);
        out.push_back(rtk::utc2gpst(gtime_t{static_cast<std::time_t>(from + i * step), 0}));
        if (i == last)
            break;
    }
    return out;
}

std::string Chop(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    return s.substr(i);
}

bool TleChecksumOk(const std::string& line) {
    if (line.size() < 69 || !std::isdigit(static_cast<unsigned char>(line[68])))
        return false;
    int sum = 0;
    for (int i = 0; i < 68; ++i) {
        const char c = line[static_cast<std::size_t>(i)];
        if (c >= '0' && c <= '9')
            sum += c - '0';
        else if (c == '-')
            sum += 1;
    }
    return line[68] - '0' == sum % 10;
}

std::string Where(const std::string& file, int line) {
    return file + ": line " + std::to_string(line) + ": ";
}

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The bytes of a file the user named: a regular file only, opened without
// waiting (a pipe is refused at once instead of blocking), and its size
// decided before any memory is taken for it.
std::string ReadInput(const std::string& file, std::size_t cap) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw InputError(file + ": cannot read the file (" + Reason(errno) + ")");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw InputError(file + ": cannot read the file (" + Reason(errno) + ")");
    if (!S_ISREG(st.st_mode))
        throw InputError(file + (S_ISDIR(st.st_mode) ? ": is a folder, not a file"
                                                     : ": not a regular file (a pipe or a "
                                                       "device); not read"));
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > cap)
        throw InputError(file + ": the file is too large (" + std::to_string(st.st_size) +
                         " bytes; at most " + std::to_string(cap >> 20) + " MB)");
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    if (const int error = ReadFully(fd, text); error != 0)
        throw InputError(file + ": cannot read the file (" + Reason(error) + ")");
    return text;
}

// RTKLIB reads fixed-column text lines. Compressed and binary files and
// lines longer than the format allows are refused before it sees them.
void CheckText(const std::string& name, std::string_view text, std::size_t maxLine,
               const char* kind) {
    const std::string_view first = text.substr(0, text.find('\n'));
    if (text.starts_with("\x1f\x8b") || text.starts_with("\x1f\x9d") ||
        text.starts_with("PK\x03\x04") ||
        (text.starts_with("BZh") && text.size() > 3 && text[3] >= '1' && text[3] <= '9') ||
        first.find("COMPACT RINEX") != std::string_view::npos)
        throw InputError(name + ": compressed files are not read; unpack it first");
    int line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\0')
            throw InputError(Where(name, line) + "a NUL byte: not a " + kind);
        if (i < text.size() && text[i] != '\n')
            continue;
        std::size_t length = i - start;
        if (length > 0 && text[i - 1] == '\r')
            --length;
        if (length > maxLine)
            throw InputError(Where(name, line) + "longer than " + std::to_string(maxLine) +
                             " characters: not a " + kind);
        start = i + 1;
        ++line;
    }
}

// The folder for private copies: TMPDIR when it is made of characters no
// reader treats specially (RTKLIB expands * and ? in names).
std::string CopyFolderBase() {
    const char* t = std::getenv("TMPDIR");
    const std::string base = t && t[0] == '/' ? t : "/tmp";
    if (base.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-") !=
        std::string::npos)
        return "/tmp";
    return base;
}

// A file's bytes under a fixed, harmless name in a folder only this user
// can enter, removed with the folder when this goes. RTKLIB reads this copy,
// never the name the user chose: it takes some names for compressed files
// and hands them to a shell, and it expands wildcards.
class PrivateCopy {
  public:
    PrivateCopy(const std::string& name, std::string_view bytes, const char* fixedName) {
        std::string folder = CopyFolderBase() + "/velmora-XXXXXX";
        if (!::mkdtemp(folder.data())) // mode 0700
            throw InputError(name + ": cannot make a private folder to read the file in (" +
                             Reason(errno) + ")");
        folder_ = folder;
        path_ = folder_ + "/" + fixedName;
        if (const SaveError e = SaveFile(path_, bytes)) {
            Remove();
            throw InputError(name + ": cannot copy the file to read it: " + SaveErrorText(e));
        }
    }
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;
    ~PrivateCopy() { Remove(); }
    const char* Path() const { return path_.c_str(); }

  private:
    void Remove() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string folder_, path_;
};

// The epoch of a TLE line 1 (columns 19-32: the year's last two digits, the
// day of the year with its fraction) in UTC seconds; nothing when it is no
// date, or one before the first satellite.
std::optional<UtcSeconds> TleEpoch(const std::string& line1) {
    const std::string yy = line1.substr(18, 2);
    const std::string day = Chop(line1.substr(20, 12));
    if (!std::isdigit(static_cast<unsigned char>(yy[0])) ||
        !std::isdigit(static_cast<unsigned char>(yy[1])) || day.empty() ||
        day.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(day.begin(), day.end(), '.') > 1 || day == ".")
        return std::nullopt;
    const int two = (yy[0] - '0') * 10 + (yy[1] - '0');
    const int year = two < 57 ? 2000 + two : 1900 + two;
    const double d = std::strtod(day.c_str(), nullptr);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (!(d >= 1 && d < (leap ? 367 : 366)) || (year == 1957 && d < 277))
        return std::nullopt;
    using namespace std::chrono;
    const auto jan1 = sys_days(std::chrono::year(year) / January / 1);
    return static_cast<UtcSeconds>(jan1.time_since_epoch().count()) * 86400 +
           static_cast<UtcSeconds>(std::llround((d - 1) * 86400));
}

} // namespace

std::string ReadInputFile(const std::string& file, std::size_t cap) {
    return ReadInput(file, cap);
}

double GpsMinusUtc(UtcSeconds utc) {
    const gtime_t t{static_cast<std::time_t>(utc), 0};
    return rtk::timediff(rtk::utc2gpst(t), t);
}

struct Ephemerides::Impl {
    // Broadcast: one set of all files, and each file alone to tell which
    // covers the period.
    std::unique_ptr<Nav> all;
    std::vector<std::pair<std::string, std::unique_ptr<Nav>>> files;
    // TLE
    Zeroed tle{kSmallBytes};
    Zeroed erp{kSmallBytes};
    std::vector<Satellite> tleSatellites;
    std::multimap<std::string, UtcSeconds> tleEpochs; // by catalog number
    std::multimap<std::string, Sgp4> tleModels;       // by catalog number
    bool isTle = false;
    // Almanac: one entry a satellite, its full reference week beside it;
    // Satellite::number is the index.
    std::vector<AlmanacEntry> almanac;
    std::vector<int> almanacWeeks;
    std::vector<Satellite> almanacSatellites;
    bool isAlmanac = false;

    ~Impl() {
        void** data = reinterpret_cast<void**>(static_cast<char*>(tle.p) + 8);
        std::free(*data);
    }
};

Ephemerides::Ephemerides(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Ephemerides::Ephemerides(Ephemerides&&) noexcept = default;
Ephemerides& Ephemerides::operator=(Ephemerides&&) noexcept = default;
Ephemerides::~Ephemerides() = default;

Ephemerides Ephemerides::FromNav(const std::vector<std::string>& files) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const std::string& file : files)
        texts.emplace_back(file, ReadInput(file, kMaxNavBytes));
    return FromNavText(texts);
}

Ephemerides
Ephemerides::FromNavText(const std::vector<std::pair<std::string, std::string>>& files) {
    auto impl = std::make_unique<Impl>();
    impl->all = std::make_unique<Nav>();
    Zeroed obs(kSmallBytes), sta(kSmallBytes);
    const gtime_t none{0, 0};
    for (const auto& [file, text] : files) {
        if (text.empty())
            throw InputError(file + ": the file is empty");
        CheckText(file, text, kMaxNavLine, "RINEX navigation file");
        // RINEX: the version and file type on the first line; navigation
        // files are of type N (GPS or mixed), G (GLONASS), H (SBAS), L, E,
        // C or J.
        const std::string first = text.substr(0, text.find('\n'));
        if (first.find("RINEX VERSION / TYPE") == std::string::npos || first.size() < 21 ||
            std::string("NGHLECJ").find(first[20]) == std::string::npos)
            throw InputError(Where(file, 1) + "not a RINEX navigation file");
        const PrivateCopy copy(file, text, "navigation.rnx");
        auto own = std::make_unique<Nav>();
        if (!rtk::readrnxt(copy.Path(), 1, none, none, 0, "", obs.p, own->buffer.p, sta.p) ||
            own->Records() == 0)
            throw InputError(file + ": no ephemeris could be read");
        rtk::readrnxt(copy.Path(), 1, none, none, 0, "", obs.p, impl->all->buffer.p, sta.p);
        impl->files.emplace_back(file, std::move(own));
    }
    return Ephemerides(std::move(impl));
}

Ephemerides Ephemerides::FromTle(const std::string& file) {
    return FromTleText(file, ReadInput(file, kMaxTleBytes));
}

Ephemerides Ephemerides::FromTleText(const std::string& file, const std::string& text) {
    auto impl = std::make_unique<Impl>();
    impl->isTle = true;
    CheckText(file, text, kMaxTleLine, "TLE file");
    std::istringstream in(text);
    std::string line, name, line1;
    int number = 0, line1At = 0;
    std::set<std::string> catalogs;
    while (std::getline(in, line)) {
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty())
            continue;
        const bool row1 = line.size() >= 2 && line[0] == '1' && line[1] == ' ';
        const bool row2 = line.size() >= 2 && line[0] == '2' && line[1] == ' ';
        if (row1) {
            if (!line1.empty())
                throw InputError(Where(file, line1At) + "a TLE line 1 without its line 2");
            if (!TleChecksumOk(line))
                throw InputError(Where(file, number) +
                                 "TLE line 1 is short or its checksum is wrong");
            if (!TleEpoch(line))
                throw InputError(Where(file, number) + "the epoch \"" + Chop(line.substr(18, 14)) +
                                 "\" of TLE line 1 is no date");
            line1 = line;
            line1At = number;
        } else if (row2) {
            if (line1.empty())
                throw InputError(Where(file, number) + "a TLE line 2 without its line 1");
            if (!TleChecksumOk(line))
                throw InputError(Where(file, number) +
                                 "TLE line 2 is short or its checksum is wrong");
            Satellite s;
            s.catalog = Chop(line1.substr(2, 5));
            s.designator = Chop(line1.substr(9, 8));
            if (Chop(line.substr(2, 5)) != s.catalog)
                throw InputError(Where(file, number) + "the catalog number differs from line 1's");
            const std::string word = name.substr(0, name.find(' '));
            s.id = word.empty() ? s.catalog : word;
            if (s.id.size() == 3 && std::string("GRECJ").find(s.id[0]) != std::string::npos &&
                std::isdigit(static_cast<unsigned char>(s.id[1])) &&
                std::isdigit(static_cast<unsigned char>(s.id[2])))
                s.system = s.id[0];
            // Names of the usual catalogues ("GPS BIIR-2 (PRN 13)", "R14S"):
            // their system, and their id where they give the number.
            if (const NamedSatellite named = SatelliteFromName(name); !s.system && named.system) {
                s.system = named.system;
                if (!named.qualifier && name.find(' ') != std::string::npos)
                    s.id = named.number ? named.Id() : name;
            }
            try {
                impl->tleModels.emplace(s.catalog, Sgp4(ParseTwoLineElements(line1, line)));
            } catch (const std::invalid_argument& e) {
                throw InputError(Where(file, line1At) + "TLE: " + e.what());
            }
            if (catalogs.insert(s.catalog).second)
                impl->tleSatellites.push_back(s);
            impl->tleEpochs.emplace(s.catalog, *TleEpoch(line1));
            line1.clear();
            name.clear();
        } else {
            if (!line1.empty())
                throw InputError(Where(file, number) + "expected TLE line 2");
            name = Chop(line);
        }
    }
    if (!line1.empty())
        throw InputError(Where(file, line1At) + "a TLE line 1 without its line 2");
    if (impl->tleSatellites.empty())
        throw InputError(file + ": no two-line elements in the file");
    const PrivateCopy copy(file, text, "elements.tle");
    if (!rtk::tle_read(copy.Path(), impl->tle.p) || *static_cast<int*>(impl->tle.p) <= 0)
        throw InputError(file + ": the two-line elements could not be read");
    return Ephemerides(std::move(impl));
}

Ephemerides Ephemerides::FromAlmanac(const std::string& file, UtcSeconds near) {
    return FromAlmanacText(file, ReadInput(file, kMaxAlmanacBytes), near);
}

Ephemerides Ephemerides::FromAlmanacText(const std::string& file, const std::string& text,
                                         UtcSeconds near) {
    CheckText(file, text, kMaxNavLine, "GPS almanac");
    const std::vector<AlmanacEntry> entries = ParseAlmanac(text, file);
    auto impl = std::make_unique<Impl>();
    impl->isAlmanac = true;
    const GpsSeconds nearGps = static_cast<double>(near - kGpsEpochUnix) + GpsMinusUtc(near);
    const auto reference = [](const AlmanacEntry& a, int week) {
        return week * kSecondsPerWeek + a.toa;
    };
    std::map<std::pair<char, int>, std::size_t> bySatellite;
    for (const AlmanacEntry& a : entries) {
        const int week = ResolveWeek(a.week, a.toa, nearGps);
        const auto [it, added] = bySatellite.try_emplace({a.system, a.prn}, impl->almanac.size());
        if (added) {
            impl->almanac.push_back(a);
            impl->almanacWeeks.push_back(week);
            continue;
        }
        const std::size_t i = it->second;
        if (std::fabs(reference(a, week) - nearGps) <
            std::fabs(reference(impl->almanac[i], impl->almanacWeeks[i]) - nearGps)) {
            impl->almanac[i] = a;
            impl->almanacWeeks[i] = week;
        }
    }
    for (std::size_t i = 0; i < impl->almanac.size(); ++i) {
        const AlmanacEntry& a = impl->almanac[i];
        Satellite s;
        char id[8];
        std::snprintf(id, sizeof id, "%c%02d", a.system, a.prn);
        s.id = id;
        s.system = a.system;
        s.number = static_cast<int>(i);
        impl->almanacSatellites.push_back(s);
    }
    return Ephemerides(std::move(impl));
}

bool Ephemerides::IsAlmanac() const {
    return impl_->isAlmanac;
}

std::vector<Satellite> Ephemerides::SatellitesDuring(UtcSeconds from, UtcSeconds to, int step,
                                                     double sample) const {
    if (impl_->isTle)
        return impl_->tleSatellites;
    if (impl_->isAlmanac)
        return impl_->almanacSatellites;
    std::vector<Satellite> out;
    const std::vector<gtime_t> times = Samples(from, to, step, sample);
    const int last = MaxSatelliteNumber();
    for (int sat = 1; sat <= last; ++sat) {
        int prn = 0;
        const char system = SystemLetter(rtk::satsys(sat, &prn));
        double rs[3];
        for (const gtime_t& t : times) {
            if (!BroadcastPosition(*impl_->all, sat, system, t, rs))
                continue;
            Satellite s;
            char id[16] = {};
            rtk::satno2id(sat, id);
            s.id = id;
            s.system = system;
            s.number = sat;
            out.push_back(s);
            break;
        }
    }
    return out;
}

std::vector<std::string> Ephemerides::FilesCoveringNone(UtcSeconds from, UtcSeconds to, int step,
                                                        double sample) const {
    std::vector<std::string> out;
    const std::vector<gtime_t> times = Samples(from, to, step, sample);
    const int last = MaxSatelliteNumber();
    for (const auto& [file, nav] : impl_->files) {
        bool covered = false;
        for (const gtime_t& t : times) {
            for (int sat = 1; sat <= last && !covered; ++sat) {
                int prn = 0;
                double rs[3];
                covered = BroadcastPosition(*nav, sat, SystemLetter(rtk::satsys(sat, &prn)), t, rs);
            }
            if (covered)
                break;
        }
        if (!covered)
            out.push_back(file);
    }
    return out;
}

Ephemerides::Fix Ephemerides::Position(const Satellite& s, std::int64_t gpst, double fraction,
                                       double rs[3]) const {
    if (impl_->isAlmanac) {
        if (s.number < 0 || static_cast<std::size_t>(s.number) >= impl_->almanac.size())
            return Fix::NoEphemeris;
        const auto i = static_cast<std::size_t>(s.number);
        const AlmanacEntry& a = impl_->almanac[i];
        double out[3];
        AlmanacPosition(a, impl_->almanacWeeks[i],
                        static_cast<double>(gpst - kGpsEpochUnix) + fraction, out);
        if (!AtOrbitDistance(out))
            return Fix::NoEphemeris;
        if (a.health != 0)
            return Fix::Unhealthy;
        std::copy(out, out + 3, rs);
        return Fix::Position;
    }
    if (!impl_->isTle)
        return BroadcastFix(*impl_->all, s.number, s.system, Gpst(gpst, fraction), rs);
    // SGP4/SDP4 with the deep-space terms (RTKLIB's propagator has the
    // near-Earth model only); of several sets of one satellite, the one
    // whose epoch lies nearest.
    const double jd = static_cast<double>(gpst) / 86400.0 + fraction / 86400.0 + 2440587.5;
    const Sgp4* best = nullptr;
    const auto [first, last] = impl_->tleModels.equal_range(s.catalog);
    for (auto i = first; i != last; ++i)
        if (!best || std::fabs(i->second.epochJd() - jd) < std::fabs(best->epochJd() - jd))
            best = &i->second;
    double out[3];
    if (!best || EcefAtGpsTime(*best, gpst, fraction, out) != Sgp4Error::None ||
        !AtOrbitDistance(out))
        return Fix::NoEphemeris;
    std::copy(out, out + 3, rs);
    return Fix::Position;
}

std::vector<std::string> Ephemerides::ElementsFarFrom(UtcSeconds from, UtcSeconds to,
                                                      double days) const {
    std::vector<std::string> out;
    if (impl_->isAlmanac) {
        // The reference time in UTC, near enough for a count of days.
        for (std::size_t i = 0; i < impl_->almanac.size(); ++i) {
            const double ref = impl_->almanacWeeks[i] * kSecondsPerWeek + impl_->almanac[i].toa +
                               static_cast<double>(kGpsEpochUnix);
            const double away = ref < static_cast<double>(from) ? static_cast<double>(from) - ref
                                : ref > static_cast<double>(to) ? ref - static_cast<double>(to)
                                                                : 0.0;
            if (away > days * 86400)
                out.push_back(impl_->almanacSatellites[i].id);
        }
        return out;
    }
    for (const Satellite& s : impl_->tleSatellites) {
        double nearest = std::numeric_limits<double>::infinity();
        const auto [first, last] = impl_->tleEpochs.equal_range(s.catalog);
        for (auto it = first; it != last; ++it) {
            const UtcSeconds e = it->second;
            const double away = e < from ? static_cast<double>(from - e)
                                : e > to ? static_cast<double>(e - to)
                                         : 0.0;
            nearest = std::min(nearest, away);
        }
        if (nearest > days * 86400)
            out.push_back(s.id);
    }
    return out;
}

} // namespace velmora::gnss
