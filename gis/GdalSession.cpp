// SPDX-License-Identifier: GPL-3.0-or-later
#include "gis/GdalSession.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_http.h>
#include <gdal.h>
#include <mutex>
#include <ogr_srs_api.h>

namespace velmora::gis {

namespace {

// Every HTTP request GDAL would make: refused, whatever a data file names.
CPLHTTPResult* RefuseNetwork(const char* url, CSLConstList, GDALProgressFunc, void*,
                             CPLHTTPFetchWriteFunc, void*, void*) {
    auto* r = static_cast<CPLHTTPResult*>(CPLCalloc(1, sizeof(CPLHTTPResult)));
    r->nStatus = 1;
    r->pszErrBuf = CPLStrdup((std::string("network access is disabled: ") + url).c_str());
    return r;
}

} // namespace

void PrepareGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        CPLHTTPSetFetchCallback(RefuseNetwork, nullptr);
        OSRSetPROJEnableNetwork(FALSE);
        CPLSetConfigOption("GDAL_HTTP_TIMEOUT", "1");
        CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_EXTENSIONS", "{noext}");
        // The OpenStreetMap driver spills its node index of a large file to
        // a temporary file, by default in the working folder.
        if (!CPLGetConfigOption("CPL_TMPDIR", nullptr) && !CPLGetConfigOption("TMPDIR", nullptr) &&
            !CPLGetConfigOption("TEMP", nullptr))
            CPLSetConfigOption("CPL_TMPDIR", "/tmp");
    });
}

GdalMessages::GdalMessages() {
    PrepareGdal();
    CPLPushErrorHandlerEx(
        [](CPLErr kind, CPLErrorNum code, const char* message) {
            if (GdalMessages* self = static_cast<GdalMessages*>(CPLGetErrorHandlerUserData()))
                if (kind >= CE_Failure && message)
                    self->last_ = message;
            (void)code;
        },
        this);
}

GdalMessages::~GdalMessages() {
    CPLPopErrorHandler();
}

} // namespace velmora::gis
