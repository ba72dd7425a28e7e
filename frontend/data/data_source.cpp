#include "data_source.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <sndfile.h>
#include <specest/job_record.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace lumetra::data {
namespace {

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// One real number, the whole text. from_chars takes "nan" and "inf" but no leading '+'.
bool toReal(QStringView text, double& v) {
    QStringView t = text.trimmed();
    if (t.startsWith(u'+')) t = t.mid(1);
    // Numbers are ASCII: copied to a buffer of bytes without an allocation.
    char buf[64];
    if (t.isEmpty() || t.size() > static_cast<qsizetype>(sizeof buf)) return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c > 0x7f) return false;
        buf[i] = static_cast<char>(c);
    }
    const char* end = buf + t.size();
    const auto r = std::from_chars(buf, end, v);
    return r.ec == std::errc() && r.ptr == end;
}

// Fields of one line. Quotes and parentheses protect the separator (a "(re,im)" value).
QStringList splitFields(QStringView line, QChar delimiter, bool blanks) {
    QStringList fields;
    QString field;
    int depth = 0;
    bool quoted = false;
    bool inField = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inField = true;
            continue;
        }
        if (!quoted) {
            if (c == u'(') ++depth;
            if (c == u')' && depth > 0) --depth;
            const bool separates = depth == 0 && (blanks ? isBlank(c) : c == delimiter);
            if (separates) {
                if (blanks) {
                    if (inField) fields << field.trimmed();
                } else {
                    fields << field.trimmed();
                }
                field.clear();
                inField = false;
                continue;
            }
        }
        field += c;
        if (!isBlank(c)) inField = true;
    }
    if (!blanks || inField) fields << field.trimmed();
    return fields;
}

struct Delimiter {
    QChar c;
    bool blanks;
    const char* name;
};
constexpr int kSampleLines = 50;
constexpr sf_count_t kMaxReadFrames = sf_count_t{specest::record::kMaxDataRecords} + 1;

} // namespace

Cell parseCell(QStringView text) {
    Cell cell;
    QStringView t = text.trimmed();
    if (t.isEmpty()) return cell;
    cell.state = CellState::NotNumber;
    if (toReal(t, cell.re)) {
        cell.state = CellState::Number;
        return cell;
    }
    if (t.startsWith(u'(') && t.endsWith(u')')) {
        t = t.mid(1, t.size() - 2).trimmed();
        const qsizetype comma = t.indexOf(u',');
        if (comma >= 0) {
            if (toReal(t.left(comma), cell.re) && toReal(t.mid(comma + 1), cell.im)) {
                cell.state = CellState::Number;
                cell.complex = true;
            }
            return cell;
        }
    }
    // a+bj, a-bj, bj (i also names the imaginary unit)
    const QChar last = t.back().toLower();
    if (last != u'j' && last != u'i') return cell;
    QStringView body = t.left(t.size() - 1);
    qsizetype split = -1;
    for (qsizetype k = body.size() - 1; k > 0; --k) {
        const QChar c = body[k];
        if ((c == u'+' || c == u'-') && body[k - 1].toLower() != u'e') {
            split = k;
            break;
        }
    }
    double re = 0, im = 0;
    bool ok = false;
    if (split < 0) {
        ok = body == u"+" || body.isEmpty() ? (im = 1, true)
             : body == u"-"                 ? (im = -1, true)
                                            : toReal(body, im);
    } else {
        QStringView imag = body.mid(split);
        ok = toReal(body.left(split), re) && (imag == u"+"   ? (im = 1, true)
                                              : imag == u"-" ? (im = -1, true)
                                                             : toReal(imag, im));
    }
    if (ok) {
        cell.re = re;
        cell.im = im;
        cell.state = CellState::Number;
        cell.complex = true;
    }
    return cell;
}

std::optional<SourceTable> readTextTable(const QString& path, const QByteArray& bytes,
                                         QString* error) {
    auto fail = [&](const QString& why) -> std::optional<SourceTable> {
        if (error) *error = fileName(path) + QStringLiteral(": ") + why;
        return std::nullopt;
    };
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0'))
        return fail(QStringLiteral("is not a text file, a sound file or a NumPy .npy file "
                                   "Lumetra can read."));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    // Data lines: not blank, not a '#' comment.
    std::vector<int> lineNumbers;
    QList<QStringView> lines;
    const QStringView all(text);
    int number = 0;
    for (const QStringView raw : all.tokenize(u'\n')) {
        ++number;
        QStringView line = raw;
        if (line.endsWith(u'\r')) line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        lines << line;
        lineNumbers.push_back(number);
    }
    if (lines.isEmpty()) return fail(QStringLiteral("holds no data lines."));

    // The separator that cuts the sampled lines into the most fields, the same number each.
    static const std::array<Delimiter, 4> candidates = {{{u'\t', false, "tab"},
                                                         {u',', false, "comma"},
                                                         {u';', false, "semicolon"},
                                                         {u' ', true, "blanks"}}};
    const Delimiter* chosen = &candidates[3];
    qsizetype best = 1;
    const qsizetype sample = std::min<qsizetype>(lines.size(), kSampleLines);
    for (const Delimiter& d : candidates) {
        // The first line may be a header with its own count; the others decide.
        const qsizetype from = sample > 1 ? 1 : 0;
        const qsizetype count = splitFields(lines[from], d.c, d.blanks).size();
        bool even = count > 1;
        for (qsizetype k = from + 1; even && k < sample; ++k)
            even = splitFields(lines[k], d.c, d.blanks).size() == count;
        if (even && count > best) {
            best = count;
            chosen = &d;
        }
    }

    SourceTable table;
    table.path = path;
    table.kind = SourceKind::Text;
    table.delimiterName = QString::fromLatin1(chosen->name);
    table.format = chosen->blanks       ? QStringLiteral("text, columns separated by blanks")
                   : chosen->c == u','  ? QStringLiteral("CSV text")
                   : chosen->c == u'\t' ? QStringLiteral("TSV text")
                                        : QStringLiteral("text, columns separated by semicolons");

    // A header: a first line with text where the next line has numbers.
    const QStringList first = splitFields(lines.front(), chosen->c, chosen->blanks);
    const QStringList second =
        lines.size() > 1 ? splitFields(lines[1], chosen->c, chosen->blanks) : QStringList();
    bool header = false;
    for (qsizetype c = 0; c < first.size(); ++c) {
        const Cell a = parseCell(first[c]);
        const bool nextIsNumber =
            c < second.size() && parseCell(second[c]).state == CellState::Number;
        if (a.state == CellState::NotNumber && (nextIsNumber || lines.size() == 1)) header = true;
    }
    table.hasHeader = header;

    // Rows go straight into cells: only the preview keeps the text of its rows.
    const qsizetype start = header ? 1 : 0;
    const auto n = static_cast<std::size_t>(lines.size() - start);
    table.lines.reserve(n);
    for (qsizetype r = start; r < lines.size(); ++r) {
        const QStringList fields = splitFields(lines[r], chosen->c, chosen->blanks);
        const std::size_t row = table.lines.size();
        while (table.columns.size() < static_cast<std::size_t>(fields.size())) {
            table.columns.emplace_back(row); // a column that starts late: empty cells before
            table.columns.back().reserve(n);
        }
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            table.columns[c].push_back(c < static_cast<std::size_t>(fields.size())
                                           ? parseCell(fields[static_cast<qsizetype>(c)])
                                           : Cell{});
        table.lines.push_back(lineNumbers[static_cast<std::size_t>(r)]);
        if (table.preview.size() < kPreviewRows) table.preview << fields;
    }
    const qsizetype columns = std::max(first.size(), static_cast<qsizetype>(table.columns.size()));
    table.columns.resize(static_cast<std::size_t>(columns), std::vector<Cell>(n));
    for (qsizetype c = 0; c < columns; ++c) {
        const QString name = header && c < first.size() ? first[c] : QString();
        table.names << (name.isEmpty() ? QStringLiteral("Column %1").arg(c + 1) : name);
    }
    return table;
}

namespace {

// The value after 'key': in a .npy header dictionary ("{'descr': '<f4', ...}").
QString npyEntry(const QString& header, const QString& key) {
    const qsizetype at = header.indexOf(u'\'' + key + u'\'');
    if (at < 0) return {};
    qsizetype colon = header.indexOf(u':', at);
    if (colon < 0) return {};
    QString rest = header.mid(colon + 1).trimmed();
    if (rest.startsWith(u'\'')) return rest.mid(1, rest.indexOf(u'\'', 1) - 1);
    if (rest.startsWith(u'(')) return rest.mid(0, rest.indexOf(u')') + 1);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u',' && rest[end] != u'}') ++end;
    return rest.left(end).trimmed();
}

template <typename T> T loadValue(const char* p, bool swap) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, p, sizeof(T));
    if (swap)
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
    T v;
    std::memcpy(&v, b, sizeof(T));
    return v;
}

} // namespace

std::optional<SourceTable> readNpy(const QString& path, const QByteArray& bytes, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<SourceTable> {
        if (error) *error = fileName(path) + QStringLiteral(": ") + why;
        return std::nullopt;
    };
    if (bytes.size() < 10 || !bytes.startsWith("\x93NUMPY"))
        return fail(QStringLiteral("is not a NumPy .npy file (no \\x93NUMPY at its start)."));
    const int major = static_cast<unsigned char>(bytes[6]);
    qsizetype headerLen = 0, offset = 0;
    if (major == 1) {
        headerLen = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9])
                                                               << 8;
        offset = 10;
    } else if (major == 2 || major == 3) {
        if (bytes.size() < 12) return fail(QStringLiteral("is cut short in its header."));
        headerLen = loadValue<quint32>(bytes.constData() + 8, false);
        offset = 12;
    } else {
        return fail(QStringLiteral("is a .npy file of version %1, which Lumetra does not know.")
                        .arg(major));
    }
    if (offset + headerLen > bytes.size())
        return fail(QStringLiteral("is cut short in its header."));
    const QString header = QString::fromLatin1(bytes.mid(offset, headerLen));
    const QString descr = npyEntry(header, QStringLiteral("descr"));
    const QString fortran = npyEntry(header, QStringLiteral("fortran_order"));
    const QString shapeText = npyEntry(header, QStringLiteral("shape"));
    if (descr.size() < 2 || !shapeText.startsWith(u'('))
        return fail(QStringLiteral("has a header Lumetra cannot read (%1).").arg(header.trimmed()));
    const QChar order = descr[0];
    const QChar type = descr[1];
    bool okSize = false;
    const int size = descr.mid(2).toInt(&okSize);
    const bool known =
        okSize &&
        ((type == u'f' && (size == 4 || size == 8)) ||
         (type == u'c' && (size == 8 || size == 16)) ||
         ((type == u'i' || type == u'u') && (size == 1 || size == 2 || size == 4 || size == 8)));
    if (!known)
        return fail(QStringLiteral("holds values of type '%1'; Lumetra reads float, integer and "
                                   "complex arrays.")
                        .arg(descr));
    const bool swap = order == u'>'; // this program runs on little-endian machines
    std::vector<qint64> shape;
    for (const QString& part :
         shapeText.mid(1, shapeText.size() - 2).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 v = part.trimmed().toLongLong(&ok);
        if (!ok || v < 0)
            return fail(QStringLiteral("has a shape Lumetra cannot read (%1).").arg(shapeText));
        shape.push_back(v);
    }
    if (shape.empty() || shape.size() > 2)
        return fail(QStringLiteral("is a %1-dimensional array; Lumetra imports 1-D and 2-D arrays.")
                        .arg(shape.size()));
    const qint64 rows = shape[0];
    const qint64 cols = shape.size() == 2 ? shape[1] : 1;
    const qint64 count = rows * cols;
    const qint64 itemSize = size;
    if (rows == 0 || cols == 0) return fail(QStringLiteral("is an empty array."));
    if (rows > std::numeric_limits<int>::max() ||
        count > (bytes.size() - offset - headerLen) / itemSize)
        return fail(QStringLiteral("is cut short: the header announces %1 values of %2 bytes, "
                                   "the file holds %3 bytes of data.")
                        .arg(count)
                        .arg(itemSize)
                        .arg(bytes.size() - offset - headerLen));
    const bool fortranOrder = fortran == QLatin1String("True");

    SourceTable table;
    table.path = path;
    table.kind = SourceKind::Npy;
    table.format = QStringLiteral("NumPy array, %1, shape %2").arg(descr, shapeText);
    table.columns.assign(static_cast<std::size_t>(cols),
                         std::vector<Cell>(static_cast<std::size_t>(rows)));
    table.lines.resize(static_cast<std::size_t>(rows));
    const char* data = bytes.constData() + offset + headerLen;
    for (qint64 r = 0; r < rows; ++r) {
        table.lines[static_cast<std::size_t>(r)] = static_cast<int>(r + 1);
        for (qint64 c = 0; c < cols; ++c) {
            const qint64 index = fortranOrder ? c * rows + r : r * cols + c;
            const char* p = data + index * itemSize;
            Cell& cell = table.columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
            cell.state = CellState::Number;
            if (type == u'f') {
                cell.re = size == 4 ? loadValue<float>(p, swap) : loadValue<double>(p, swap);
            } else if (type == u'c') {
                cell.complex = true;
                if (size == 8) {
                    cell.re = loadValue<float>(p, swap);
                    cell.im = loadValue<float>(p + 4, swap);
                } else {
                    cell.re = loadValue<double>(p, swap);
                    cell.im = loadValue<double>(p + 8, swap);
                }
            } else if (type == u'i') {
                cell.re = size == 1   ? loadValue<qint8>(p, swap)
                          : size == 2 ? loadValue<qint16>(p, swap)
                          : size == 4 ? loadValue<qint32>(p, swap)
                                      : static_cast<double>(loadValue<qint64>(p, swap));
            } else {
                cell.re = size == 1   ? loadValue<quint8>(p, swap)
                          : size == 2 ? loadValue<quint16>(p, swap)
                          : size == 4 ? loadValue<quint32>(p, swap)
                                      : static_cast<double>(loadValue<quint64>(p, swap));
            }
        }
    }
    for (qint64 c = 0; c < cols; ++c) table.names << QStringLiteral("Column %1").arg(c + 1);
    for (qint64 r = 0; r < std::min<qint64>(rows, kPreviewRows); ++r) {
        QStringList row;
        for (qint64 c = 0; c < cols; ++c) {
            const Cell& cell =
                table.columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
            row << (cell.complex ? QStringLiteral("(%1,%2)").arg(cell.re).arg(cell.im)
                                 : QString::number(cell.re, 'g', 9));
        }
        table.preview << row;
    }
    return table;
}

std::optional<SourceTable> readAudio(const QString& path, QString* error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        if (error)
            *error = fileName(path) + QStringLiteral(": is not a sound file Lumetra can read (%1).")
                                          .arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
        return std::nullopt;
    }
    SourceTable table;
    table.path = path;
    table.kind = SourceKind::Audio;
    table.sampleRate = info.samplerate;
    SF_FORMAT_INFO major{}, sub{};
    major.format = info.format & SF_FORMAT_TYPEMASK;
    sub.format = info.format & SF_FORMAT_SUBMASK;
    sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major);
    sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub);
    table.format = QStringLiteral("%1, %2, %3 Hz")
                       .arg(QString::fromLatin1(major.name ? major.name : "sound"),
                            QString::fromLatin1(sub.name ? sub.name : "samples"))
                       .arg(info.samplerate);
    const int channels = info.channels;
    if (channels < 1 || info.frames < 1) {
        sf_close(file);
        if (error)
            *error = fileName(path) + QStringLiteral(": holds no samples (%1 frames, %2 channels).")
                                          .arg(info.frames)
                                          .arg(channels);
        return std::nullopt;
    }
    // One frame past the limit is enough to tell that there are too many.
    const auto frames = static_cast<std::size_t>(std::min<sf_count_t>(info.frames, kMaxReadFrames));
    table.unread = info.frames - static_cast<sf_count_t>(frames);
    table.columns.assign(static_cast<std::size_t>(channels), std::vector<Cell>(frames));
    table.lines.resize(frames);
    std::vector<double> block(static_cast<std::size_t>(channels) * 4096);
    std::size_t at = 0;
    while (at < frames) {
        const sf_count_t got = sf_readf_double(file, block.data(), 4096);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got && at < frames; ++f, ++at) {
            table.lines[at] = static_cast<int>(at + 1);
            for (int c = 0; c < channels; ++c) {
                Cell& cell = table.columns[static_cast<std::size_t>(c)][at];
                cell.re = block[static_cast<std::size_t>(f) * channels + c];
                cell.state = CellState::Number;
            }
        }
    }
    sf_close(file);
    if (at < frames) {
        if (error)
            *error =
                fileName(path) +
                QStringLiteral(": is cut short: %1 of its %2 frames read.").arg(at).arg(frames);
        return std::nullopt;
    }
    for (int c = 0; c < channels; ++c) table.names << QStringLiteral("Channel %1").arg(c + 1);
    for (std::size_t r = 0; r < std::min<std::size_t>(frames, kPreviewRows); ++r) {
        QStringList row;
        for (int c = 0; c < channels; ++c)
            row << QString::number(table.columns[static_cast<std::size_t>(c)][r].re, 'g', 9);
        table.preview << row;
    }
    return table;
}

std::optional<SourceTable> readSource(const QString& path, QString* error) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        if (error) *error = path + QStringLiteral(": no such file.");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = path + QStringLiteral(": cannot be read (") + file.errorString() + u')';
        return std::nullopt;
    }
    const QByteArray head = file.peek(4096);
    if (head.startsWith("\x93NUMPY")) return readNpy(path, file.readAll(), error);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // A cut multi-byte character at the end of the peek is still text.
    (void)QString(utf8(head.left(head.size() - 4)));
    if (!head.contains('\0') && !utf8.hasError()) return readTextTable(path, file.readAll(), error);
    file.close();
    return readAudio(path, error);
}

bool isJobFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = file.read(16384).split('\n');
    return lines.size() >= 21 && lines[1].contains("! 1.") && lines[2].contains("! 2.");
}

SourceTable transposed(const SourceTable& table) {
    SourceTable t = table;
    const int rows = table.rowCount();
    const int cols = table.columnCount();
    t.columns.assign(static_cast<std::size_t>(rows),
                     std::vector<Cell>(static_cast<std::size_t>(cols)));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            t.columns[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                table.columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
    t.lines.resize(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) t.lines[static_cast<std::size_t>(c)] = c + 1;
    t.names.clear();
    for (int r = 0; r < rows; ++r) t.names << QStringLiteral("Row %1").arg(r + 1);
    t.preview.clear();
    for (int c = 0; c < std::min(cols, kPreviewRows); ++c) {
        QStringList row;
        for (int r = 0; r < rows; ++r)
            row << QString::number(
                t.columns[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].re, 'g', 9);
        t.preview << row;
    }
    return t;
}

} // namespace lumetra::data
