// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the daylin registry parser: any bytes survive
// Parse/Serialize unchanged, and removing or appending a section leaves the
// bytes of every other section as they were.

#include "daylin_registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using daylin::registry::File;
using daylin::registry::Parse;
using daylin::registry::Section;
using daylin::registry::Serialize;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

bool SameSections(const QList<Section>& a, const QList<Section>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].bytes != b[i].bytes) {
            return false;
        }
    }
    return true;
}

// Removing one name drops exactly its sections; the file read back has
// the others, byte for byte and in order.
void CheckRemove(const File& file, std::uint8_t pick) {
    if (file.sections.isEmpty()) {
        return;
    }
    const QString name = file.sections[pick % file.sections.size()].name;
    File removed = file;
    Check(removed.Remove(name));
    QList<Section> kept;
    for (const Section& s : file.sections) {
        if (s.name.compare(name, Qt::CaseInsensitive) != 0) {
            kept.append(s);
        }
    }
    const File reread = Parse(Serialize(removed));
    Check(reread.preamble == file.preamble && SameSections(reread.sections, kept));
}

// Appending keeps the old bytes as a prefix (an unterminated last line gains
// its line ending) and reads back as the old sections plus the new one.
void CheckAppend(const File& file, const QByteArray& bytes) {
    File appended = file;
    appended.Append(QStringLiteral("fuzz.Section"), {QStringLiteral("Library=/fuzz/lib.so")});
    const QByteArray out = Serialize(appended);
    const bool terminated = bytes.isEmpty() || bytes.endsWith('\n');
    Check(out.startsWith(bytes));
    Check(terminated || out.mid(bytes.size()).startsWith('\n') ||
          out.mid(bytes.size()).startsWith("\r\n"));
    const File reread = Parse(out);
    Check(reread.sections.size() == file.sections.size() + 1);
    const Section& added = reread.sections.last();
    Check(added.name == QStringLiteral("fuzz.Section"));
    Check(added.Value(QStringLiteral("library")) == QStringLiteral("/fuzz/lib.so"));
    QByteArray before = Serialize(reread);
    before.chop(added.bytes.size());
    Check(before.startsWith(bytes) && before.size() - bytes.size() <= (terminated ? 0 : 2));
    for (qsizetype i = 0; i + 1 < file.sections.size(); ++i) {
        Check(reread.sections[i].name == file.sections[i].name &&
              reread.sections[i].bytes == file.sections[i].bytes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const File file = Parse(bytes);
    Check(Serialize(file) == bytes);
    if (!file.sections.isEmpty()) {
        const Section& last = file.sections.last();
        Check(file.Find(last.name) != nullptr);
        (void)last.Value(QStringLiteral("Library"));
    }
    CheckRemove(file, size > 0 ? data[0] : 0);
    CheckAppend(file, bytes);
    return 0;
}
