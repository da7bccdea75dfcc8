// SPDX-License-Identifier: GPL-3.0-or-later
// GDAL as velmora uses it: its drivers registered once, no network access
// (neither GDAL's HTTP layer nor PROJ's grids), and its messages caught
// rather than printed.
#pragma once

#include <string>

namespace velmora::gis {

// Registers the drivers and shuts the network off; safe to call again.
void PrepareGdal();

// While alive, GDAL's messages are kept instead of printed; LastError() is
// the last failure's text (empty when there was none).
class GdalMessages {
  public:
    GdalMessages();
    ~GdalMessages();
    GdalMessages(const GdalMessages&) = delete;
    GdalMessages& operator=(const GdalMessages&) = delete;
    const std::string& LastError() const { return last_; }
    void Clear() { last_.clear(); }

  private:
    std::string last_;
};

} // namespace velmora::gis
