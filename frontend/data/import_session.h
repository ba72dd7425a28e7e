// One import as the dialog holds it: the source read once, the choices the user makes (first
// guessed from the file), and the result of the checks after every change.
#pragma once

#include "data_import.h"
#include "data_source.h"

#include <optional>

namespace lumetra::data {

class ImportSession {
  public:
    // Reads the source and guesses the choices; false with *error when it cannot be read.
    bool open(const QString& path, QString* error);

    const SourceTable& table() const { return along_ ? *alongRows_ : table_; }
    const SourceTable& source() const { return table_; }
    bool isOpen() const { return !table_.path.isEmpty(); }

    ImportOptions options;
    // A 2-D array read along its rows instead of its columns.
    void setAlongRows(bool on);
    bool alongRows() const { return along_; }
    bool canReadAlongRows() const {
        return table_.kind == SourceKind::Npy && table_.columnCount() > 1;
    }

    // The checks on the current choices.
    ImportResult check() const { return importSeries(table(), options); }
    // "2048 real samples, every 0.001 s (1000 Hz)" for a result that imports.
    static QString summary(const ImportedSeries& series);
    // Where the data file goes by default: beside the job, named after the source.
    QString suggestedTarget(const QString& jobDir) const;

  private:
    SourceTable table_;
    std::optional<SourceTable> alongRows_;
    bool along_ = false;
};

} // namespace lumetra::data
