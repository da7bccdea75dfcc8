// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of RTKLIB (2.4.3, Debian's libRTKLib) this folder calls. The
// library comes without its header; only functions whose arguments are plain
// numbers or opaque records are used, so nothing here depends on the layout
// of RTKLIB's navigation and observation records beyond their leading counts.
#pragma once

#include <ctime>

namespace velmora::rtk {

extern "C" {

struct gtime_t {
    std::time_t time; // seconds since 1970-01-01 (no leap seconds)
    double sec;       // fraction of a second
};

// System bits as RTKLIB numbers them.
inline constexpr int kSysGps = 0x01;
inline constexpr int kSysSbs = 0x02;
inline constexpr int kSysGlo = 0x04;
inline constexpr int kSysGal = 0x08;
inline constexpr int kSysQzs = 0x10;
inline constexpr int kSysCmp = 0x20;
inline constexpr int kEphBroadcast = 0; // EPHOPT_BRDC

gtime_t epoch2time(const double* ep);
void time2epoch(gtime_t t, double* ep);
gtime_t timeadd(gtime_t t, double sec);
double timediff(gtime_t t1, gtime_t t2);
gtime_t utc2gpst(gtime_t t);
gtime_t gpst2utc(gtime_t t);

void ecef2pos(const double* r, double* pos);
void pos2ecef(const double* pos, double* r);
void enu2ecef(const double* pos, const double* e, double* r);
void ecef2enu(const double* pos, const double* r, double* e);
double satazel(const double* pos, const double* e, double* azel);
void dops(int ns, const double* azel, double elmin, double* dop);

int satno(int sys, int prn);
int satsys(int sat, int* prn);
void satno2id(int sat, char* id);

// nav, obs and sta are RTKLIB's nav_t, obs_t and sta_t, zero-initialised.
int readrnxt(const char* file, int rcv, gtime_t ts, gtime_t te, double tint, const char* opt,
             void* obs, void* nav, void* sta);
void freenav(void* nav, int opt);
int satpos(gtime_t time, gtime_t teph, int sat, int ephopt, const void* nav, double* rs,
           double* dts, double* var, int* svh);

// tle is RTKLIB's tle_t: { int n, nmax; tled_t* data; }; erp its erp_t.
int tle_read(const char* file, void* tle);
int tle_pos(gtime_t time, const char* name, const char* satno, const char* desig, const void* tle,
            const void* erp, double* rs);

} // extern "C"

} // namespace velmora::rtk
