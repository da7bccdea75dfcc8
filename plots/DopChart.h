// SPDX-License-Identifier: GPL-3.0-or-later
// Satellites seen and PDOP over time, under the open sky and among the
// buildings, in one picture: counts above, PDOP below.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace velmora::plots {

struct DopChartEpoch {
    double hours = 0; // since the start
    int open = 0, withBuildings = 0;
    std::optional<double> openPdop, withBuildingsPdop; // empty: no solution
};

// The chart's own words; English unless the window's language is asked.
struct DopChartTexts {
    QString counts = QStringLiteral("satellites");
    QString pdop = QStringLiteral("PDOP");
    QString openSky = QStringLiteral("open sky");
    QString seen = QStringLiteral("seen among the buildings");
    QString pdopSeen = QStringLiteral("PDOP among the buildings");
    // %1: the PDOP drawn on the top line.
    QString gaps =
        QStringLiteral("gaps: fewer than 4 satellites; PDOP above %1 drawn on the top line");
};

struct DopChartInput {
    QString title;
    DopChartTexts texts;
    QString timeAxis; // what the hours count from
    double spanHours = 24;
    std::vector<DopChartEpoch> epochs;
};

QSize DopChartSize();
void DrawDopChart(QPainter& g, const DopChartInput& in, QSize size);
QByteArray DopChartBytes(const DopChartInput& in, const QString& path);

} // namespace velmora::plots
