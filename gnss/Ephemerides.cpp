// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Ephemerides.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>

#include "gnss/Rtklib.h"

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

struct Zeroed {
    void* p = nullptr;
    explicit Zeroed(std::size_t n) : p(std::calloc(1, n)) {
        if (!p)
            throw std::bad_alloc();
    }
    Zeroed(const Zeroed&) = delete;
    Zeroed& operator=(const Zeroed&) = delete;
    ~Zeroed() { std::free(p); }
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

Fix BroadcastFix(const Nav& nav, int sat, char system, gtime_t t, double rs[3]) {
    double out[6], dts[2], var = 0;
    int svh = 0;
    if (!rtk::satpos(t, t, sat, rtk::kEphBroadcast, nav.buffer.p, out, dts, &var, &svh) ||
        !(out[0] * out[0] + out[1] * out[1] + out[2] * out[2] > 0))
        return Fix::NoEphemeris;
    if (!Healthy(system, svh))
        return Fix::Unhealthy;
    std::copy(out, out + 3, rs);
    return Fix::Position;
}

bool BroadcastPosition(const Nav& nav, int sat, char system, gtime_t t, double rs[3]) {
    return BroadcastFix(nav, sat, system, t, rs) == Fix::Position;
}

// The GPS time of each sample across a UTC period, the last instant included.
std::vector<gtime_t> Samples(UtcSeconds from, UtcSeconds to, double sample) {
    std::vector<gtime_t> out;
    const double span = static_cast<double>(to - from);
    const int n = span > 0 ? static_cast<int>(std::ceil(span / sample)) : 0;
    for (int i = 0; i <= n; ++i) {
        const double dt = std::min(span, i * sample);
        const gtime_t utc{static_cast<std::time_t>(from), 0};
        out.push_back(rtk::utc2gpst(rtk::timeadd(utc, dt)));
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

// RTKLIB expands wildcards in a file name and hands names of compressed files
// to a shell command to unpack them: such names are refused rather than passed
// on.
void RefuseExpandedName(const std::string& file) {
    if (file.find_first_of("*?%") != std::string::npos)
        throw InputError(file + ": file names with *, ? or % are not read");
    const std::size_t slash = file.find_last_of('/');
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return;
    std::string ext = file.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "z" || ext == "gz" || ext == "zip" || ext == "tar" ||
        (ext.size() == 3 && ext[2] == 'd'))
        throw InputError(file + ": compressed files are not read; unpack it first");
}

} // namespace

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
    bool isTle = false;

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
    auto impl = std::make_unique<Impl>();
    impl->all = std::make_unique<Nav>();
    Zeroed obs(kSmallBytes), sta(kSmallBytes);
    const gtime_t none{0, 0};
    for (const std::string& file : files) {
        RefuseExpandedName(file);
        std::ifstream in(file);
        std::string first;
        if (!in || !std::getline(in, first))
            throw InputError(file + ": cannot read the file");
        // RINEX: the version and file type on the first line; navigation
        // files are of type N (GPS or mixed), G (GLONASS), H (SBAS), L, E,
        // C or J.
        if (first.find("RINEX VERSION / TYPE") == std::string::npos || first.size() < 21 ||
            std::string("NGHLECJ").find(first[20]) == std::string::npos)
            throw InputError(Where(file, 1) + "not a RINEX navigation file");
        auto own = std::make_unique<Nav>();
        if (!rtk::readrnxt(file.c_str(), 1, none, none, 0, "", obs.p, own->buffer.p, sta.p) ||
            own->Records() == 0)
            throw InputError(file + ": no ephemeris could be read");
        rtk::readrnxt(file.c_str(), 1, none, none, 0, "", obs.p, impl->all->buffer.p, sta.p);
        impl->files.emplace_back(file, std::move(own));
    }
    return Ephemerides(std::move(impl));
}

Ephemerides Ephemerides::FromTle(const std::string& file) {
    auto impl = std::make_unique<Impl>();
    impl->isTle = true;
    std::ifstream in(file);
    if (!in)
        throw InputError(file + ": cannot read the file");
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
            if (catalogs.insert(s.catalog).second)
                impl->tleSatellites.push_back(s);
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
    if (!rtk::tle_read(file.c_str(), impl->tle.p) || *static_cast<int*>(impl->tle.p) <= 0)
        throw InputError(file + ": the two-line elements could not be read");
    return Ephemerides(std::move(impl));
}

std::vector<Satellite> Ephemerides::SatellitesDuring(UtcSeconds from, UtcSeconds to,
                                                     double sample) const {
    if (impl_->isTle)
        return impl_->tleSatellites;
    std::vector<Satellite> out;
    const std::vector<gtime_t> times = Samples(from, to, sample);
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

std::vector<std::string> Ephemerides::FilesCoveringNone(UtcSeconds from, UtcSeconds to,
                                                        double sample) const {
    std::vector<std::string> out;
    const std::vector<gtime_t> times = Samples(from, to, sample);
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
    const gtime_t t = Gpst(gpst, fraction);
    if (!impl_->isTle)
        return BroadcastFix(*impl_->all, s.number, s.system, t, rs);
    // An empty designator would match every entry without one.
    const std::string desig = s.designator.empty() ? std::string("-") : s.designator;
    double out[6];
    if (!rtk::tle_pos(t, "", s.catalog.c_str(), desig.c_str(), impl_->tle.p, impl_->erp.p, out))
        return Fix::NoEphemeris;
    std::copy(out, out + 3, rs);
    return Fix::Position;
}

} // namespace velmora::gnss
