// SPDX-License-Identifier: LGPL-3.0-or-later
#include "ServerState.h"
#include "daylin.h"

#include <QColor>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace daylin {

namespace {

// The control was laid out in twips; 15 of them make a pixel at 96 dpi.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

constexpr int kFirstListYear = 2001;
constexpr int kLastListYear = 2010;

QColor DayTextColour() {
    return QColor(0, 0, 192);
}
QColor OtherMonthTextColour() {
    return QColor(160, 160, 160);
}
QColor SelectedBackground() {
    return QColor(0, 0, 128);
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QChar(u'0'));
}

QString YearText(int year) {
    return QStringLiteral("%1").arg(year, 4, 10, QChar(u'0'));
}

QString Format(const DateParts& date, MonthGrid::MonthStyle style) {
    return QString::fromStdU16String(MonthGrid::FormatDate(date, style));
}

DateParts Read(const QString& text) {
    return MonthGrid::ReadDate(text.toStdU16String());
}

bool ShowableMonth(const DateParts& date) {
    return date.year >= MonthGrid::kMinYear && date.year <= MonthGrid::kMaxYear &&
           date.month >= 1 && date.month <= 12;
}

} // namespace

CalencerOCX::CalencerOCX(QWidget* parent) : QWidget(parent) {
    server::ControlCreated();
    resize(Px(3405), Px(2715));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    CalnderFlm = new QFrame(this);
    CalnderFlm->setObjectName(QStringLiteral("CalnderFlm"));
    CalnderFlm->setFrameStyle(QFrame::Box | QFrame::Sunken);
    CalnderFlm->setGeometry(0, 0, Px(3405), Px(2715));

    YearCmb = new QComboBox(CalnderFlm);
    YearCmb->setObjectName(QStringLiteral("YearCmb"));
    YearCmb->setGeometry(Px(240), Px(300), Px(1095), Px(330));

    YearLbl = new QLabel(QStringLiteral("年"), CalnderFlm);
    YearLbl->setObjectName(QStringLiteral("YearLbl"));
    YearLbl->move(Px(1320), Px(360));
    YearLbl->resize(YearLbl->sizeHint());

    MonthCmb = new QComboBox(CalnderFlm);
    MonthCmb->setObjectName(QStringLiteral("MonthCmb"));
    MonthCmb->setGeometry(Px(2040), Px(300), Px(735), Px(330));

    MonthLbl = new QLabel(QStringLiteral("月"), CalnderFlm);
    MonthLbl->setObjectName(QStringLiteral("MonthLbl"));
    MonthLbl->move(Px(2820), Px(360));
    MonthLbl->resize(MonthLbl->sizeHint());

    CalenderGrid = new QTableWidget(MonthGrid::kLastRow + 1, MonthGrid::kColumns, CalnderFlm);
    CalenderGrid->setObjectName(QStringLiteral("CalenderGrid"));
    CalenderGrid->setGeometry(Px(120), Px(780), Px(3135), Px(1815));
    CalenderGrid->horizontalHeader()->hide();
    CalenderGrid->verticalHeader()->hide();
    CalenderGrid->verticalHeader()->setMinimumSectionSize(1);
    CalenderGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CalenderGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CalenderGrid->setSelectionMode(QAbstractItemView::NoSelection);
    CalenderGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CalenderGrid->setFocusPolicy(Qt::NoFocus);
    // Seven equal rows fill the grid's inside, the header row among them.
    const int inside = Px(1815) - 2 * CalenderGrid->frameWidth();
    for (int row = 0; row <= MonthGrid::kLastRow; ++row) {
        CalenderGrid->setRowHeight(row, inside / (MonthGrid::kLastRow + 1));
        for (int column = 0; column < MonthGrid::kColumns; ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignCenter);
            if (row == 0) {
                item->setBackground(palette().button());
                item->setForeground(palette().buttonText());
            } else {
                item->setForeground(DayTextColour());
                item->setBackground(Qt::white);
            }
            CalenderGrid->setItem(row, column, item);
        }
    }

    connect(YearCmb, &QComboBox::currentIndexChanged, this, [this] { YearOrMonthChosen(); });
    connect(MonthCmb, &QComboBox::currentIndexChanged, this, [this] { YearOrMonthChosen(); });
    connect(CalenderGrid, &QTableWidget::cellClicked, this, &CalencerOCX::DayCellClicked);

    pBusy = true;
    const QDate today = QDate::currentDate();
    const QString S =
        Format({today.year(), today.month(), today.day()}, MonthGrid::MonthStyle::TwoDigits);
    pDate1_ = S;
    SetUpCalender(S);
    FillCalender(S);
}

CalencerOCX::~CalencerOCX() {
    server::ControlDestroyed();
}

QSize CalencerOCX::sizeHint() const {
    return QSize(Px(3405), Px(2715));
}

bool CalencerOCX::setValue(const QString& value) {
    if (!MonthGrid::IsReadable(Read(value))) {
        return false;
    }
    pDate1_ = value;
    FillCalender(value);
    emit PropertyChanged(QStringLiteral("Value"));
    return true;
}

void CalencerOCX::setVisibleFlag(bool visible) {
    visible_ = visible;
    if (visible) {
        Unhighlight(pSelRow, pSelCol);
    } else if (!FillCalender(pDate1_)) {
        // pDate1 was written directly with something that is no date: the
        // shown month stays and its selected day is highlighted again.
        Highlight(pSelRow, pSelCol);
    }
    emit PropertyChanged(QStringLiteral("Visible"));
}

bool CalencerOCX::SetUpCalender(const QString& Date1) {
    const bool wasBusy = pBusy;
    pBusy = true;
    for (int column = 0; column < MonthGrid::kColumns; ++column) {
        CalenderGrid->setColumnWidth(column, Px(430));
    }
    for (int year = kFirstListYear; year <= kLastListYear; ++year) {
        YearItem(year);
    }
    if (MonthCmb->count() != 12) {
        MonthCmb->clear();
        for (int month = 1; month <= 12; ++month) {
            MonthCmb->addItem(QString::number(month));
        }
    }
    static const char16_t* const weekdays[] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};
    for (int column = 0; column < MonthGrid::kColumns; ++column) {
        CalenderGrid->item(0, column)->setText(QString::fromUtf16(weekdays[column]));
    }
    const DateParts date = Read(Date1);
    const bool showable = ShowableMonth(date);
    if (showable) {
        YearCmb->setCurrentIndex(YearItem(date.year));
        MonthCmb->setCurrentIndex(date.month - 1);
    }
    pBusy = wasBusy;
    if (showable) {
        YearOrMonthChosen(); // does nothing while the control is being created
    }
    return showable;
}

bool CalencerOCX::FillCalender(const QString& S) {
    const DateParts date = Read(S);
    if (!MonthGrid::IsReadable(date)) {
        return false;
    }
    FillCalender(date);
    return true;
}

void CalencerOCX::FillCalender(const DateParts& date) {
    CalenderGrid->setUpdatesEnabled(false);
    pDayText = TwoDigits(date.day);
    grid_ = MonthGrid(date.year, date.month);
    for (int row = MonthGrid::kFirstRow; row <= MonthGrid::kLastRow; ++row) {
        for (int column = 0; column < MonthGrid::kColumns; ++column) {
            CalenderGrid->item(row, column)->setText(QString::number(grid_.DayAt(row, column)));
            const bool shown = grid_.PhaseAt(row, column) == MonthGrid::Phase::Current;
            PaintCell(row, column, shown ? DayTextColour() : OtherMonthTextColour(), Qt::white);
        }
    }
    // A day the month lacks (31 in April) falls back to the month's last day
    // rather than leaving a stale cell highlighted.
    pSelRow = grid_.RowOfDay(date.day);
    pSelCol = grid_.ColumnOfDay(date.day);
    Highlight(pSelRow, pSelCol);
    ShowInLists(grid_.Year(), grid_.Month());
    pBusy = false;
    CalenderGrid->setUpdatesEnabled(true);
}

void CalencerOCX::YearOrMonthChosen() {
    if (pBusy || YearCmb->currentIndex() < 0 || MonthCmb->currentIndex() < 0) {
        return;
    }
    Unhighlight(pSelRow, pSelCol);
    FillCalender(
        DateParts{YearCmb->currentData().toInt(), MonthCmb->currentIndex() + 1, pDayText.toInt()});
}

void CalencerOCX::DayCellClicked(int row, int column) {
    if (row < MonthGrid::kFirstRow || row > MonthGrid::kLastRow) {
        return; // the weekday header holds no day
    }
    const DateParts target = grid_.DateAt(row, column);
    if (target.year < MonthGrid::kMinYear || target.year > MonthGrid::kMaxYear) {
        return;
    }
    const bool following = grid_.PhaseAt(row, column) == MonthGrid::Phase::Following;
    pDayText = TwoDigits(target.day);
    Unhighlight(pSelRow, pSelCol);
    // Hosts have long received the following month without its leading zero.
    const QString S = Format(target, following ? MonthGrid::MonthStyle::NoLeadingZero
                                               : MonthGrid::MonthStyle::TwoDigits);
    pSelRow = row;
    pSelCol = column;
    FillCalender(target);
    pDate1_ = S;
    emit Click();
}

void CalencerOCX::PaintCell(int row, int column, const QColor& text, const QColor& background) {
    QTableWidgetItem* item = CalenderGrid->item(row, column);
    if (item == nullptr || row < MonthGrid::kFirstRow) {
        return;
    }
    item->setForeground(text);
    item->setBackground(background);
}

void CalencerOCX::Highlight(int row, int column) {
    PaintCell(row, column, Qt::white, SelectedBackground());
}

void CalencerOCX::Unhighlight(int row, int column) {
    PaintCell(row, column, DayTextColour(), Qt::white);
}

int CalencerOCX::YearItem(int year) {
    int index = 0;
    while (index < YearCmb->count() && YearCmb->itemData(index).toInt() < year) {
        ++index;
    }
    if (index == YearCmb->count() || YearCmb->itemData(index).toInt() != year) {
        YearCmb->insertItem(index, YearText(year), year);
    }
    return index;
}

void CalencerOCX::ShowInLists(int year, int month) {
    pBusy = true;
    YearCmb->setCurrentIndex(YearItem(year));
    MonthCmb->setCurrentIndex(month - 1);
}

} // namespace daylin
