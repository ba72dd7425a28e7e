// A file of numbers the user brings: a text table (CSV, TSV, blanks), a sound file read through
// libsndfile, or a NumPy .npy array, read into columns of cells. Nothing here draws or asks.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumetra::data {

enum class SourceKind { Text, Audio, Npy };

// How one cell read: a number (real or complex), nothing, or text that is no number.
enum class CellState : std::uint8_t { Number, Empty, NotNumber };

struct Cell {
    double re = 0;
    double im = 0;
    CellState state = CellState::Empty;
    bool complex = false;
};

struct SourceTable {
    QString path;
    SourceKind kind = SourceKind::Text;
    QString format;        // what the file is, for the dialog ("CSV text", "WAV, 16-bit PCM", ...)
    QString delimiterName; // text: "comma", "tab", "semicolon", "blanks"
    bool hasHeader = false;
    QStringList names;      // one per column: the header's names, else "Column 1", "Channel 1"
    std::vector<int> lines; // source line of each row (text); the row number otherwise
    std::vector<std::vector<Cell>> columns; // [column][row]
    QList<QStringList> preview;             // the first rows as the file writes them
    double sampleRate = 0;                  // audio: the file's rate
    qint64 unread = 0; // rows past those read: a long sound file is read only as far as a job
                       // could use
    int rowCount() const { return lines.empty() ? 0 : static_cast<int>(lines.size()); }
    int columnCount() const { return static_cast<int>(columns.size()); }
};

// Rows of the preview.
constexpr int kPreviewRows = 12;

// Reads a whole source, deciding its kind from its content: the .npy magic, text, or anything
// libsndfile opens. Empty with *error naming the file and the problem otherwise.
std::optional<SourceTable> readSource(const QString& path, QString* error);

// The pieces readSource uses, for tests.
std::optional<SourceTable> readTextTable(const QString& path, const QByteArray& bytes,
                                         QString* error);
std::optional<SourceTable> readNpy(const QString& path, const QByteArray& bytes, QString* error);
std::optional<SourceTable> readAudio(const QString& path, QString* error);

// One cell of text as a number: "1.5", "-2e3", "nan", "inf", or a complex value written
// "a+bj", "a-bi", "bj" or "(a,b)".
Cell parseCell(QStringView text);

// Whether a file is a job file: 21 or more lines whose 2nd and 3rd carry the "! 1." and "! 2."
// markers the job form writes (job names have no fixed extension).
bool isJobFile(const QString& path);

// Swaps rows and columns (a 2-D array read along its rows).
SourceTable transposed(const SourceTable& table);

} // namespace lumetra::data
