// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/SystemNames.h"

#include <QFile>
#include <QStringList>
#include <dirent.h>
#include <sys/stat.h>

#include <optional>

namespace velmora {

QString ArgumentText(const char* bytes) {
    QString out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    while (*p) {
        // The length of a well-formed UTF-8 sequence starting here, 0 if none.
        int n = 0;
        char32_t c = 0;
        if (p[0] < 0x80) {
            n = 1;
            c = p[0];
        } else if (p[0] >= 0xC2 && p[0] <= 0xDF) {
            n = 2;
            c = p[0] & 0x1F;
        } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
            n = 3;
            c = p[0] & 0x0F;
        } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
            n = 4;
            c = p[0] & 0x07;
        }
        for (int k = 1; k < n; ++k) {
            if ((p[k] & 0xC0) != 0x80) {
                n = 0;
                break;
            }
            c = (c << 6) | (p[k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        if (n > 0 && ((n == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
                      (n == 4 && (c < 0x10000 || c > 0x10FFFF))))
            n = 0;
        if (n == 0) {
            out += QChar(static_cast<char16_t>(0xDC00 + p[0]));
            ++p;
            continue;
        }
        out += QString::fromUcs4(&c, 1);
        p += n;
    }
    return out;
}

std::string PathBytes(const QString& path) {
    std::string out;
    QString run;
    const auto flush = [&] {
        out += run.toStdString();
        run.clear();
    };
    for (const QChar ch : path) {
        const char16_t u = ch.unicode();
        if (u >= 0xDC80 && u <= 0xDCFF) {
            flush();
            out += static_cast<char>(u - 0xDC00);
        } else {
            run += ch;
        }
    }
    flush();
    return out;
}

namespace {

bool Exists(const std::string& bytes) {
    struct stat st {};
    return ::lstat(bytes.c_str(), &st) == 0;
}

// The one entry of `folder` that the toolkit shows as `shown`.
std::optional<std::string> EntryShownAs(const std::string& folder, const QString& shown) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    int matches = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (QFile::decodeName(e->d_name) == shown) {
            found = e->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? found : std::nullopt;
}

} // namespace

std::string ExistingPathBytes(const QString& path) {
    const std::string plain = PathBytes(path);
    if (!path.contains(QChar(0xFFFD)) || Exists(plain))
        return plain;
    const QStringList pieces = path.split(u'/');
    std::string out;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += '/';
        const QString& piece = pieces[i];
        std::string bytes = PathBytes(piece);
        if (piece.contains(QChar(0xFFFD)) && !Exists(out + bytes)) {
            const std::optional<std::string> entry = EntryShownAs(out, piece);
            if (!entry)
                return plain;
            bytes = *entry;
        }
        out += bytes;
    }
    return out;
}

} // namespace velmora
