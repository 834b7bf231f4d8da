#include "ImportDialog.h"

#include "ExchangeError.h"
#include "ImportPreviewModel.h"
#include "TDM.h"
#include "TellicoFile.h"
#include "TellicoPictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

ImportDialog::ImportDialog(TDM& dm, QString path, int folder, QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , m_path(std::move(path))
{
    setWindowTitle(QStringLiteral("Import - %1").arg(QFileInfo(m_path).fileName()));
    buildControls();
    m_building = true;
    {
        QFile probe(m_path);
        if (probe.open(QIODevice::ReadOnly) && TellicoFile::looksLike(probe.peek(1024))) {
            m_converted = std::make_unique<QTemporaryFile>();
            if (!m_converted->open())
                throw ExchangeError(QStringLiteral("No temporary file could be made for the import"));
            m_pictures = std::make_unique<TellicoPictures>();
            folder = TellicoFile::toCsv(m_path, *m_converted, m_pictures.get());
            m_converted->flush();
            m_path = m_converted->fileName();
            // The collection's kind gives the folder, and its text is always UTF-8.
            cbFolder->setEnabled(false);
            cbEncoding->setEnabled(false);
            cbSeparator->setEnabled(false);
            chHeader->setEnabled(false);
        }
    }
    cbFolder->setCurrentIndex(std::clamp(folder, 0, ExchangeFolder::kCount - 1));
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const CsvDialect found = CsvDialect::detect(file.read(CsvDialect::kSampleBytes));
        cbEncoding->setCurrentIndex(found.encoding);
        cbSeparator->setCurrentIndex(int(CsvDialect::separators().indexOf(found.separator)));
    }
    m_building = false;
    readSample();
    // The first row names the columns when some of its names mean fields here.
    m_building = true;
    chHeader->setChecked(m_records.empty() || this->folder().recognised(m_records.front().fields) > 0);
    m_building = false;
    rebuildMapping();
}

ImportDialog::~ImportDialog() = default;

void ImportDialog::buildControls()
{
    cbEncoding = new QComboBox(this);
    cbEncoding->addItems(TextEncoding::names());
    cbSeparator = new QComboBox(this);
    for (QChar c : CsvDialect::separators())
        cbSeparator->addItem(CsvDialect::separatorName(c));
    chHeader = new QCheckBox(QStringLiteral("The first row names the columns"), this);
    cbFolder = new QComboBox(this);
    for (int f = 0; f < ExchangeFolder::kCount; ++f)
        cbFolder->addItem(ExchangeFolder::at(f).caption);
    edCategory = new QLineEdit(this);
    edCategory->setPlaceholderText(QStringLiteral("(none: such rows are refused)"));
    cbDuplicates = new QComboBox(this);
    cbDuplicates->addItems(
        {QStringLiteral("Skip them"), QStringLiteral("Add them anyway"), QStringLiteral("Update them from the file")});

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Encoding:"), cbEncoding);
    form->addRow(QStringLiteral("Separator:"), cbSeparator);
    form->addRow(QString(), chHeader);
    auto* target = new QFormLayout;
    target->addRow(QStringLiteral("Into the folder:"), cbFolder);
    target->addRow(QStringLiteral("Category when a row has none:"), edCategory);
    target->addRow(QStringLiteral("Items the folder has already:"), cbDuplicates);
    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addSpacing(16);
    top->addLayout(target, 1);

    tbMapping = new QTableWidget(0, 3, this);
    tbMapping->setHorizontalHeaderLabels(
        {QStringLiteral("Column of the file"), QStringLiteral("Goes to"), QStringLiteral("First value")});
    tbMapping->horizontalHeader()->setStretchLastSection(true);
    tbMapping->verticalHeader()->setVisible(false);
    tbMapping->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbMapping->setSelectionMode(QAbstractItemView::NoSelection);

    preview = new ImportPreviewModel(this);
    gridPreview = new QTableView(this);
    gridPreview->setModel(preview);
    gridPreview->setWordWrap(false);
    gridPreview->horizontalHeader()->setStretchLastSection(true);
    gridPreview->verticalHeader()->setDefaultSectionSize(gridPreview->fontMetrics().height() + 6);

    lbProblem = new QLabel(this);
    lbProblem->setWordWrap(true);
    lbProblem->setStyleSheet(QStringLiteral("color: #a00000"));

    btImport = new QPushButton(QStringLiteral("Import"), this);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btImport->setAutoDefault(false);
    btCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lbProblem, 1);
    buttons->addWidget(btImport);
    buttons->addWidget(btCancel);

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* mappingBoxWidget = new QWidget(split);
    auto* mappingLayout = new QVBoxLayout(mappingBoxWidget);
    mappingLayout->setContentsMargins(0, 0, 0, 0);
    mappingLayout->addWidget(new QLabel(QStringLiteral("Columns:"), mappingBoxWidget));
    mappingLayout->addWidget(tbMapping);
    auto* previewWidget = new QWidget(split);
    auto* previewLayout = new QVBoxLayout(previewWidget);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(
        new QLabel(QStringLiteral("The first %1 items as they will be stored (✂ cut to the size of the field):")
                       .arg(ImportPreviewModel::kRows),
                   previewWidget));
    previewLayout->addWidget(gridPreview);
    split->addWidget(mappingBoxWidget);
    split->addWidget(previewWidget);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(em * 92, em * 60);

    connect(btImport, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto reread = [this] {
        if (m_building)
            return;
        readSample();
        rebuildMapping();
    };
    connect(cbEncoding, &QComboBox::currentIndexChanged, this, reread);
    connect(cbSeparator, &QComboBox::currentIndexChanged, this, reread);
    connect(chHeader, &QCheckBox::toggled, this, [this] {
        if (!m_building)
            rebuildMapping();
    });
    connect(cbFolder, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_building)
            rebuildMapping();
    });
    connect(cbDuplicates, &QComboBox::currentIndexChanged, this, [this] { refreshPreview(); });
    connect(edCategory, &QLineEdit::textChanged, this, [this] { refreshPreview(); });
}

const ExchangeFolder& ImportDialog::folder() const
{
    return ExchangeFolder::at(cbFolder->currentIndex());
}

CsvDialect ImportDialog::dialect() const
{
    CsvDialect d;
    d.encoding = TextEncoding::Kind(std::max(cbEncoding->currentIndex(), 0));
    d.separator = CsvDialect::separators().value(cbSeparator->currentIndex(), u',');
    return d;
}

void ImportDialog::readSample()
{
    m_records.clear();
    m_readProblem.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_readProblem = QStringLiteral("The file could not be opened: %1").arg(file.errorString());
        return;
    }
    try {
        const CsvDialect d = dialect();
        CsvReader reader(file, d.encoding, d.separator);
        CsvRecord record;
        while (m_records.size() <= size_t(ImportPreviewModel::kRows) && reader.next(record))
            m_records.push_back(record);
    } catch (const ExchangeError& e) {
        m_readProblem = e.message();
    }
}

void ImportDialog::rebuildMapping()
{
    m_building = true;
    const ExchangeFolder& f = folder();
    qsizetype columns = 0;
    for (const CsvRecord& r : m_records)
        columns = std::max(columns, r.fields.size());
    const bool header = chHeader->isChecked() && !m_records.empty();
    const QStringList names = header ? m_records.front().fields : QStringList();
    const bool withPicture = m_pictures != nullptr;
    const std::vector<int> proposed = f.propose(names, withPicture);
    tbMapping->setRowCount(int(columns));
    const std::vector<int> targets = f.targets(withPicture);
    for (int c = 0; c < int(columns); ++c) {
        const QString name = c < names.size() ? names.at(c) : QStringLiteral("Column %1").arg(c + 1);
        tbMapping->setItem(c, 0, new QTableWidgetItem(name));
        auto* box = new QComboBox(tbMapping);
        for (int t : targets)
            box->addItem(
                t == ExchangeFolder::kSkip && m_converted ? QStringLiteral("(not imported)") : f.targetCaption(t), t);
        const int wanted = size_t(c) < proposed.size() ? proposed[size_t(c)] : ExchangeFolder::kSkip;
        box->setCurrentIndex(std::max(box->findData(wanted), 0));
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_building)
                refreshPreview();
        });
        tbMapping->setCellWidget(c, 1, box);
        const size_t firstData = header ? 1 : 0;
        QString sample = firstData < m_records.size() && c < m_records[firstData].fields.size()
                             ? m_records[firstData].fields.at(c)
                             : QString();
        tbMapping->setItem(c, 2, new QTableWidgetItem(sample.replace(u'\n', u'↵')));
    }
    tbMapping->resizeColumnsToContents();
    tbMapping->setColumnWidth(
        1, std::max(tbMapping->columnWidth(1), fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12));
    m_building = false;
    refreshPreview();
}

QComboBox* ImportDialog::mappingBox(int column) const
{
    return qobject_cast<QComboBox*>(tbMapping->cellWidget(column, 1));
}

std::vector<int> ImportDialog::mapping() const
{
    std::vector<int> list;
    for (int c = 0; c < tbMapping->rowCount(); ++c) {
        const QComboBox* box = mappingBox(c);
        list.push_back(box ? box->currentData().toInt() : ExchangeFolder::kSkip);
    }
    return list;
}

CatalogueImporter::Options ImportDialog::options() const
{
    CatalogueImporter::Options o;
    o.folder = cbFolder->currentIndex();
    o.dialect = dialect();
    o.header = chHeader->isChecked();
    o.row.mapping = mapping();
    o.row.defaultCategory = edCategory->text().trimmed();
    o.duplicates = CatalogueImporter::Duplicates(std::max(cbDuplicates->currentIndex(), 0));
    return o;
}

void ImportDialog::refreshPreview()
{
    const ExchangeFolder& f = folder();
    const CatalogueImporter::Options o = options();
    std::vector<ImportRow> rows;
    TDAODataset& items = f.query(m_dm);
    const TDAODataset* details = f.detailQuery(m_dm);
    for (size_t i = o.header ? 1 : 0; i < m_records.size() && rows.size() < size_t(ImportPreviewModel::kRows); ++i)
        rows.push_back(ImportRow::read(f, items, details, o.row, m_records[i]));
    preview->setRows(&f, o.row.mapping, std::move(rows), m_pictures.get());
    gridPreview->resizeColumnsToContents();
    for (int c = 0; c < preview->columnCount(); ++c)
        gridPreview->setColumnWidth(c, std::min(gridPreview->columnWidth(c), 260));
    const bool anyMapped
        = std::any_of(o.row.mapping.begin(), o.row.mapping.end(), [](int t) { return t != ExchangeFolder::kSkip; });
    QString problem = m_readProblem;
    if (problem.isEmpty() && !anyMapped)
        problem = QStringLiteral("No column goes to a field.");
    lbProblem->setText(problem);
    btImport->setEnabled(problem.isEmpty());
}
