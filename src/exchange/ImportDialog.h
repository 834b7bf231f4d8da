#pragma once

#include "CatalogueImporter.h"
#include "CsvReader.h"

#include <QDialog>
#include <QTemporaryFile>
#include <memory>
#include <vector>

class ImportPreviewModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class TDM;
class TellicoPictures;

// What an import of a CSV file will do, shown before anything is written: the file's encoding
// and separator (found, and choosable), whether its first row names the columns, the folder,
// which field each column goes to (proposed from the names, "(skip)" allowed), the first rows
// as they will be stored, and what to do with items the folder has already.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    ImportDialog(TDM& dm, QString path, int folder, QWidget* parent = nullptr);
    ~ImportDialog() override;

    CatalogueImporter::Options options() const;
    // The file the import reads: the chosen one, or the CSV a collection file was turned into.
    const QString& filePath() const { return m_path; }
    bool fromCollectionFile() const { return m_converted != nullptr; }
    // The pictures the collection file brings (none for a CSV file).
    const TellicoPictures* pictures() const { return m_pictures.get(); }
    // The combo box that maps a column of the file.
    QComboBox* mappingBox(int column) const;

    QComboBox* cbEncoding = nullptr;
    QComboBox* cbSeparator = nullptr;
    QCheckBox* chHeader = nullptr;
    QComboBox* cbFolder = nullptr;
    QLineEdit* edCategory = nullptr;
    QComboBox* cbDuplicates = nullptr;
    QTableWidget* tbMapping = nullptr;
    QTableView* gridPreview = nullptr;
    ImportPreviewModel* preview = nullptr;
    QLabel* lbProblem = nullptr;
    QPushButton* btImport = nullptr;
    QPushButton* btCancel = nullptr;

private:
    void buildControls();
    // Reads the first rows with the encoding and separator chosen; a file that cannot be read
    // says why under the preview.
    void readSample();
    void rebuildMapping();
    void refreshPreview();
    CsvDialect dialect() const;
    std::vector<int> mapping() const;
    const ExchangeFolder& folder() const;

    TDM& m_dm;
    QString m_path;
    // A collection file of another program, turned into CSV for the mapping and the import.
    std::unique_ptr<QTemporaryFile> m_converted;
    std::unique_ptr<TellicoPictures> m_pictures;
    std::vector<CsvRecord> m_records; // the first rows of the file, the header among them
    QString m_readProblem;
    bool m_building = false;
};
