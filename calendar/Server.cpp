// SPDX-License-Identifier: LGPL-3.0-or-later
#include "ServerState.h"
#include "daylin.h"

#include <QFileInfo>

#include <atomic>
#include <dlfcn.h>

namespace daylin::server {

namespace {

std::atomic<int> liveControls{0};
std::atomic<int> liveFactories{0};
std::atomic<int> serverLocks{0};

class Factory final : public DaylinClassFactory {
  public:
    Factory() { ++liveFactories; }
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    DaylinResult QueryInterface(const DaylinGuid* iid, void** object) override {
        if (object == nullptr) {
            return DaylinPointer;
        }
        *object = nullptr;
        if (iid == nullptr || (*iid != DaylinIidUnknown && *iid != DaylinIidClassFactory)) {
            return DaylinNoInterface;
        }
        AddRef();
        *object = static_cast<DaylinClassFactory*>(this);
        return DaylinOk;
    }

    std::uint32_t AddRef() override { return ++references_; }

    std::uint32_t Release() override {
        const std::uint32_t left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    DaylinResult CreateInstance(QWidget* parent, const DaylinGuid* iid, void** object) override {
        if (object == nullptr) {
            return DaylinPointer;
        }
        *object = nullptr;
        if (iid != nullptr && *iid != DaylinIidCalencerOCX && *iid != DaylinIidUnknown) {
            return DaylinNoInterface;
        }
        *object = static_cast<QWidget*>(new CalencerOCX(parent));
        return DaylinOk;
    }

    DaylinResult LockServer(bool lock) override {
        if (lock) {
            ++serverLocks;
        } else if (serverLocks > 0) {
            --serverLocks;
        }
        return DaylinOk;
    }

  private:
    ~Factory() { --liveFactories; }

    std::atomic<std::uint32_t> references_{1};
};

// The path this library was loaded from, as the dynamic loader knows it.
QString OwnLibraryPath() {
    Dl_info info{};
    if (dladdr(static_cast<const void*>(&liveControls), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

QString Text(const char* ascii) {
    return QString::fromLatin1(ascii);
}

QString Key(const char* key, const QString& value) {
    return Text(key) + u'=' + value;
}

void RemoveOwnSections(registry::File& file) {
    file.Remove(DaylinGuidToString(DaylinClsidCalencerOCX));
    file.Remove(Text(DaylinProgId));
    file.Remove(DaylinGuidToString(DaylinLibidDaylin));
}

} // namespace

void ControlCreated() {
    ++liveControls;
}

void ControlDestroyed() {
    --liveControls;
}

} // namespace daylin::server

using namespace daylin;
using namespace daylin::server;

DaylinResult DllRegisterServer() {
    const QString library = OwnLibraryPath();
    if (library.isEmpty()) {
        return DaylinSelfRegClass;
    }
    const bool updated = registry::Update(registry::FilePath(), [&](registry::File& file) {
        if (file.preamble.isEmpty() && file.sections.isEmpty()) {
            file.preamble = "; Per-user registry of embeddable controls (daylin.h).\n\n";
        }
        RemoveOwnSections(file);
        const QString classId = DaylinGuidToString(DaylinClsidCalencerOCX);
        const QString typeLib = DaylinGuidToString(DaylinLibidDaylin);
        file.Append(classId,
                    {Key("Class", Text(DaylinClassName)), Key("ProgID", Text(DaylinProgId)),
                     Key("Library", library), Key("TypeLib", typeLib),
                     Key("Version", Text(DaylinVersion)),
                     Key("Interface", DaylinGuidToString(DaylinIidCalencerOCX)),
                     Key("EventInterface", DaylinGuidToString(DaylinDiidCalencerOCXEvents))});
        file.Append(Text(DaylinProgId), {Key("CLSID", classId)});
        file.Append(typeLib, {Key("Name", Text(DaylinTypeLibName)),
                              Key("Version", Text(DaylinVersion)), Key("Library", library)});
    });
    return updated ? DaylinOk : DaylinSelfRegClass;
}

DaylinResult DllUnregisterServer() {
    const QString path = registry::FilePath();
    if (!QFileInfo::exists(path)) {
        return DaylinOk; // nothing registered, and no folder or lock file to create
    }
    return registry::Update(path, RemoveOwnSections) ? DaylinOk : DaylinSelfRegClass;
}

DaylinResult DllGetClassObject(const DaylinGuid* classId, const DaylinGuid* iid, void** object) {
    if (object == nullptr) {
        return DaylinPointer;
    }
    *object = nullptr;
    if (classId == nullptr || *classId != DaylinClsidCalencerOCX) {
        return DaylinClassNotAvailable;
    }
    auto* factory = new Factory;
    const DaylinResult result = factory->QueryInterface(iid, object);
    factory->Release(); // the caller's reference, if any, is the one QueryInterface added
    return result;
}

DaylinResult DllCanUnloadNow() {
    return liveControls == 0 && liveFactories == 0 && serverLocks == 0 ? DaylinOk : DaylinFalse;
}
