// SPDX-License-Identifier: LGPL-3.0-or-later
#pragma once

// daylin: an embeddable month-calendar control for Qt Widgets hosts.
//
// The control, daylin::CalencerOCX, shows a year list, a month list and a
// 7 x 7 day grid (a weekday header "日" ... "土" above six weeks, Sunday
// first). Clicking a day selects it, highlights it (white on dark blue),
// stores it as the control's date and emits Click(). Days of the previous and
// following month appear grey; clicking one moves the calendar to that month
// and selects the day there.
//
// A host either links libdaylin and constructs the control like any widget,
// or creates it by class id through the four entry points below, without
// linking anything of daylin (see "Hosting by class").
//
// ---------------------------------------------------------------------------
// Date strings
//
// The control's date is a string yyyy/mm/dd, for example "2005/03/07". It is
// read positionally: year = numeric value of characters 1-4, month = that of
// characters 6-7 ("2005/3/07" therefore reads as March), day = that of the
// last two characters. After a click on a grey day of the FOLLOWING month the
// control stores the month without a leading zero ("2006/1/03"); every other
// date it stores has two month digits. Read it with MonthGrid::ReadDate or
// the same positional rule, not with a fixed "yyyy/MM/dd" pattern.
// The year always has four digits and the day two.
//
// Years: the year list offers 2001 ... 2010 and, in ascending order, every
// other year the control has shown. A date outside 2001 ... 2010 (today's
// date at creation, a write of Value, a click past December or January)
// shows its own month, adds its year to the list and selects it there, so
// the lists always name the month the grid shows and the user picks days of
// it as usual. Dates from 0001/01/01 to 9999/12/31 are supported; a click on
// a grey day that would leave that range does nothing.
//
// ---------------------------------------------------------------------------
// The control's interface (also reachable through Qt's meta-object system,
// which is how a host that created it by class id uses it):
//
//   property QString Value    the date; reads pDate1. Writing a date that
//                             exists (see MonthGrid::IsReadable) stores it in
//                             pDate1, shows its month with its day highlighted
//                             and emits PropertyChanged("Value"). Writing a
//                             date that does not exist ("2005/04/31", "",
//                             "abc") is refused: setValue() returns false and
//                             nothing changes, no notification.
//   property bool Visible     a stored flag, false at creation; it does NOT
//                             show or hide the widget (use QWidget::setVisible
//                             for that). Writing true removes the highlight of
//                             the selected day; writing false shows the month
//                             of pDate1 with its day highlighted again. Emits
//                             PropertyChanged("Visible").
//   property QString pDate1   the stored date itself; writing it changes
//                             nothing else (no redraw, no notification).
//   SetUpCalender(Date1)      makes sure the lists hold their items (calling
//                             it again adds none twice), sets the grid's column
//                             widths and weekday header, and selects the year
//                             and month of Date1 in the lists; after creation
//                             this shows that month like a choice of the user
//                             would. Returns false, selecting nothing, when
//                             Date1's year or month cannot be read.
//   signal Click()            after a click on a day has stored the new date;
//                             read Value in the handler.
//   signal PropertyChanged(QString name)
//                             "Value" or "Visible" after a write of that
//                             property.
//
// Choosing a year or a month in the lists shows that month with the same day
// number highlighted; Value does not change and Click() is not emitted. When
// the day does not occur in the chosen month (31 after choosing April), the
// month's last day is highlighted instead; the remembered day stays 31, so
// choosing a 31-day month afterwards highlights 31 again. A click on the
// weekday header does nothing.
//
// Each new control starts from today's date; nothing is saved with the host.
// All calls belong on the GUI thread.
//
// Child widgets (objectName): CalnderFlm (frame), YearCmb, YearLbl "年",
// MonthCmb, MonthLbl "月", CalenderGrid (a QTableWidget; row 0 is the header,
// rows 1-6 the weeks). The control's size is 227 x 181 pixels.
//
// ---------------------------------------------------------------------------
// Hosting by class
//
// Identity: class CalencerOCX, ProgID "daylin.CalencerOCX", type library
// "daylin" version 1.0; the ids are the Daylin* constants below.
//
// DllRegisterServer() records the class in the per-user registry file;
// DllUnregisterServer() removes those records again. The file is
//   $DAYLIN_REGISTRY                 when that variable is set and not empty,
//   $XDG_CONFIG_HOME/daylin/classes.ini (normally ~/.config/...) otherwise.
// It is UTF-8 text in sections; lines starting with ";" are comments.
// It must be a regular file (or a link to one) or not exist yet; the entry
// points refuse anything else (DaylinSelfRegClass) rather than block on a
// FIFO or replace a device. A section is its "[name]" line and every line up
// to the next one; registering and unregistering remove daylin's own
// sections and append them anew, and leave every other byte as it was
// (encoding, line endings, blank lines). Writers hold flock() on
// "<file>.lock" beside the file (a link's target) from reading it to
// replacing it by renaming a complete new file over it, so concurrent
// writers lose no entries; daylin::registry::Update() takes part in this.
// A writer waits at most three seconds for another one's lock; past that,
// the entry points fail (DaylinSelfRegClass) as for any registry error.
// daylin writes:
//
//   [{F54B5950-59B8-4B15-A121-F8B4C68A3132}]      one section per class id
//   Class=CalencerOCX
//   ProgID=daylin.CalencerOCX
//   Library=/absolute/path/libdaylin.so.1
//   TypeLib={A6E03D33-5BA4-4071-ABF7-B81ADE2C122C}
//   Version=1.0
//   Interface={99D84073-51F7-4886-921C-9E4780211C5C}
//   EventInterface={104DB9A3-2C14-4DC1-B156-EA152FB334B6}
//
//   [daylin.CalencerOCX]                           ProgID -> class id
//   CLSID={F54B5950-59B8-4B15-A121-F8B4C68A3132}
//
//   [{A6E03D33-5BA4-4071-ABF7-B81ADE2C122C}]      the type library
//   Name=daylin
//   Version=1.0
//   Library=/absolute/path/libdaylin.so.1
//
// daylin::registry::LibraryForClass() (daylin_registry.h, header-only)
// answers the Library of a class id or ProgID. A host then loads that library
// (QLibrary, dlopen), resolves "DllGetClassObject", asks it for the class
// factory of DaylinClsidCalencerOCX with DaylinIidClassFactory, calls
// CreateInstance(parent, &DaylinIidCalencerOCX, &object) and receives the
// control as a QWidget* that is a child of `parent` (Qt deletes it with its
// parent). Release() the factory when done. DllCanUnloadNow() answers
// DaylinOk only while no control and no factory is alive and no LockServer
// lock is held; unload the library only then.

#include "MonthGrid.h"
#include "daylin_export.h"
#include "daylin_registry.h"

#include <QString>
#include <QWidget>

#include <cstdint>

class QColor;
class QComboBox;
class QFrame;
class QLabel;
class QTableWidget;

// ---------------------------------------------------------------------------
// Identity and results of the entry points (COM layout and values).

struct DaylinGuid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    // Spelt out for hosts compiling as C++17 (see DateParts).
    friend constexpr bool operator==(const DaylinGuid& a, const DaylinGuid& b) {
        for (int i = 0; i < 8; ++i)
            if (a.data4[i] != b.data4[i])
                return false;
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3;
    }
    friend constexpr bool operator!=(const DaylinGuid& a, const DaylinGuid& b) { return !(a == b); }
};

inline constexpr DaylinGuid DaylinClsidCalencerOCX = {
    0xF54B5950, 0x59B8, 0x4B15, {0xA1, 0x21, 0xF8, 0xB4, 0xC6, 0x8A, 0x31, 0x32}};
inline constexpr DaylinGuid DaylinIidCalencerOCX = {
    0x99D84073, 0x51F7, 0x4886, {0x92, 0x1C, 0x9E, 0x47, 0x80, 0x21, 0x1C, 0x5C}};
inline constexpr DaylinGuid DaylinDiidCalencerOCXEvents = {
    0x104DB9A3, 0x2C14, 0x4DC1, {0xB1, 0x56, 0xEA, 0x15, 0x2F, 0xB3, 0x34, 0xB6}};
inline constexpr DaylinGuid DaylinLibidDaylin = {
    0xA6E03D33, 0x5BA4, 0x4071, {0xAB, 0xF7, 0xB8, 0x1A, 0xDE, 0x2C, 0x12, 0x2C}};
inline constexpr DaylinGuid DaylinIidUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DaylinGuid DaylinIidClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr char DaylinProgId[] = "daylin.CalencerOCX";
inline constexpr char DaylinClassName[] = "CalencerOCX";
inline constexpr char DaylinTypeLibName[] = "daylin";
inline constexpr char DaylinVersion[] = "1.0";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
inline QString DaylinGuidToString(const DaylinGuid& g) {
    QString text = QStringLiteral("{%1-%2-%3-")
                       .arg(g.data1, 8, 16, QChar(u'0'))
                       .arg(g.data2, 4, 16, QChar(u'0'))
                       .arg(g.data3, 4, 16, QChar(u'0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2) {
            text += u'-';
        }
        text += QStringLiteral("%1").arg(g.data4[i], 2, 16, QChar(u'0'));
    }
    return text.toUpper() + u'}';
}

using DaylinResult = std::int32_t;
inline constexpr DaylinResult DaylinOk = 0;    // S_OK
inline constexpr DaylinResult DaylinFalse = 1; // S_FALSE
inline constexpr DaylinResult DaylinNoInterface = static_cast<DaylinResult>(0x80004002u);
inline constexpr DaylinResult DaylinPointer = static_cast<DaylinResult>(0x80004003u);
inline constexpr DaylinResult DaylinClassNotAvailable = static_cast<DaylinResult>(0x80040111u);
inline constexpr DaylinResult DaylinSelfRegClass = static_cast<DaylinResult>(0x80040201u);

// The class factory handed out by DllGetClassObject (the IClassFactory
// shape; the outer object of COM aggregation is replaced by the parent
// widget). Reference counted: DllGetClassObject returns it with one
// reference held for the caller.
class DaylinClassFactory {
  public:
    // DaylinIidUnknown or DaylinIidClassFactory give the factory itself (one
    // more reference); anything else DaylinNoInterface.
    virtual DaylinResult QueryInterface(const DaylinGuid* iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    // Creates a control inside `parent` (may be null: a top-level widget the
    // caller deletes). `iid` DaylinIidCalencerOCX or DaylinIidUnknown;
    // *object receives the control as QWidget*, or null on failure.
    virtual DaylinResult CreateInstance(QWidget* parent, const DaylinGuid* iid, void** object) = 0;
    // Keeps the library loaded (DllCanUnloadNow answers DaylinFalse) until
    // the matching LockServer(false).
    virtual DaylinResult LockServer(bool lock) = 0;

  protected:
    ~DaylinClassFactory() = default;
};

// The four entry points, unmangled so that a host can resolve them by name.
extern "C" {
// DaylinOk, or DaylinSelfRegClass when the registry file is not a regular
// file or cannot be locked, read or written.
DAYLIN_EXPORT DaylinResult DllRegisterServer(void);
// DaylinOk (also when nothing was registered), or DaylinSelfRegClass.
DAYLIN_EXPORT DaylinResult DllUnregisterServer(void);
// DaylinPointer when `object` is null; DaylinClassNotAvailable for another
// class id; DaylinNoInterface for an interface other than the class
// factory's; else DaylinOk with *object a DaylinClassFactory*.
DAYLIN_EXPORT DaylinResult DllGetClassObject(const DaylinGuid* classId, const DaylinGuid* iid,
                                             void** object);
// DaylinOk when the library may be unloaded, DaylinFalse otherwise.
DAYLIN_EXPORT DaylinResult DllCanUnloadNow(void);
}

using DaylinRegisterServerFn = DaylinResult (*)();
using DaylinUnregisterServerFn = DaylinResult (*)();
using DaylinGetClassObjectFn = DaylinResult (*)(const DaylinGuid*, const DaylinGuid*, void**);
using DaylinCanUnloadNowFn = DaylinResult (*)();

namespace daylin {

// The month-calendar control; see the top of this header.
class DAYLIN_EXPORT CalencerOCX : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Value READ Value WRITE setValue)
    Q_PROPERTY(bool Visible READ Visible WRITE setVisibleFlag)
    Q_PROPERTY(QString pDate1 READ pDate1 WRITE setPDate1)

  public:
    explicit CalencerOCX(QWidget* parent = nullptr);
    ~CalencerOCX() override;

    QString Value() const { return pDate1_; }
    bool setValue(const QString& value);
    bool Visible() const { return visible_; }
    void setVisibleFlag(bool visible);
    QString pDate1() const { return pDate1_; }
    void setPDate1(const QString& date) { pDate1_ = date; }

    QSize sizeHint() const override;

  public slots:
    bool SetUpCalender(const QString& Date1);

  signals:
    void Click();
    void PropertyChanged(const QString& name);

  private:
    bool FillCalender(const QString& S);
    void FillCalender(const DateParts& date);
    void YearOrMonthChosen();
    void DayCellClicked(int row, int column);
    void PaintCell(int row, int column, const QColor& text, const QColor& background);
    void Highlight(int row, int column);
    void Unhighlight(int row, int column);
    int YearItem(int year);
    void ShowInLists(int year, int month);

    QFrame* CalnderFlm;
    QComboBox* YearCmb;
    QLabel* YearLbl;
    QComboBox* MonthCmb;
    QLabel* MonthLbl;
    QTableWidget* CalenderGrid;

    QString pDate1_;
    bool visible_ = false;
    QString pDayText;
    int pSelRow = MonthGrid::kFirstRow;
    int pSelCol = 0;
    bool pBusy = false;
    // The shown month; it also knows where day 1 of this and of the next
    // month lie, which decides what a click on a cell means.
    MonthGrid grid_{MonthGrid::kMinYear, 1};
};

} // namespace daylin
