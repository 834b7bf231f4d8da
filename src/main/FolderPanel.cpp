#include "FolderPanel.h"

#include "CaptionStrip.h"
#include "DetailsForm.h"
#include "DetailsPicture.h"
#include "TDBCheckGroup.h"
#include "TDBGrid.h"
#include "TDBRichView.h"
#include "TDBText.h"
#include "TDM.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QWidget* withCaption(const QString& caption, QWidget* body, QWidget* parent, CaptionStrip** strip = nullptr)
{
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* s = new CaptionStrip(caption, pane);
    layout->addWidget(s);
    layout->addWidget(body, 1);
    if (strip)
        *strip = s;
    return pane;
}

QScrollArea* scrolling(QWidget* content, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::StyledPanel);
    return area;
}

// The pane's body with the current item's picture at its top right (hidden when it has none).
QWidget* withPicture(QWidget* body, DetailsPicture* picture, QWidget* parent)
{
    auto* pane = new QWidget(parent);
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(body, 1);
    layout->addWidget(picture, 0, Qt::AlignTop | Qt::AlignRight);
    return pane;
}

QSplitter* splitter(Qt::Orientation orientation, QWidget* parent)
{
    auto* s = new QSplitter(orientation, parent);
    s->setHandleWidth(4);
    s->setChildrenCollapsible(false);
    return s;
}

} // namespace

FolderPanel::FolderPanel(const FolderDefinition& definition, TDM& dm, QWidget* parent)
    : QWidget(parent)
    , m_definition(definition)
{
    setObjectName(definition.panelName);
    setAccessibleName(definition.caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_grid = new TDBGrid(this);
    m_grid->setObjectName(definition.gridName);
    m_grid->setAccessibleName(definition.caption);
    m_grid->setColumns(definition.columns);
    m_grid->setDataSource(&FolderDefinition::source(dm, definition.index));

    m_across = splitter(Qt::Horizontal, this);
    m_right = splitter(Qt::Vertical, m_across);
    m_across->addWidget(m_grid);
    m_across->addWidget(m_right);
    m_details = definition.index == 4 ? buildAddressDetails(dm) : buildDetails(dm);
    m_right->addWidget(m_details);
    m_right->addWidget(buildLower(dm));
    layout->addWidget(m_across);
}

QWidget* FolderPanel::buildDetails(TDM& dm)
{
    TDataSource* source = &FolderDefinition::source(dm, m_definition.index);
    auto* form = new DetailsForm(source);
    m_form = form;
    for (const FolderDefinition::Pair& p : m_definition.details)
        form->addPair(p.label, p.field);
    if (m_definition.index == 0) {
        auto* properties
            = new TDBCheckGroup(QStringLiteral("Properties:"),
                                {QStringLiteral("color"), QStringLiteral("stereo"), QStringLiteral("widescreen"),
                                 QStringLiteral("HiFi"), QStringLiteral("dolby surround")},
                                2, form);
        properties->setDataSource(source);
        properties->setDataField(QStringLiteral("Prop"));
        QPalette pal = properties->palette();
        pal.setColor(QPalette::WindowText, DetailsForm::maroon());
        properties->setPalette(pal);
        form->addRow(properties);
    }
    form->finish();
    return withCaption(QStringLiteral(" Details"), withPicture(scrolling(form, this), picture(dm), this), this);
}

QWidget* FolderPanel::buildAddressDetails(TDM& dm)
{
    TDataSource* source = &dm.dsAddBook;
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    // The name strip: navy labels, bold values.
    auto* names = new DetailsForm(source, body);
    m_form = names;
    const QColor navy(0, 0, 128);
    for (const auto& [label, field] : {std::pair{"First Name:", "F_Name"}, std::pair{"Last Name:", "L_Name"}}) {
        TDBText* value = names->addPair(QLatin1String(label), QLatin1String(field), navy);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
    }
    layout->addWidget(names);

    auto* tabs = new QTabWidget(body);
    tabs->setObjectName(QStringLiteral("pcAddress"));
    tabs->setTabPosition(QTabWidget::South);
    auto page = [&](bool office) {
        const QString p = office ? QStringLiteral("O_") : QStringLiteral("H_");
        auto* form = new DetailsForm(source);
        if (office) {
            form->addPair(QStringLiteral("Company:"), QStringLiteral("O_Comp"));
            form->addPair(QStringLiteral("Position:"), QStringLiteral("O_Pos"));
        }
        form->addPair(QStringLiteral("Address:"), p + QStringLiteral("Addr1"));
        form->addSecondLine(p + QStringLiteral("Addr2"));
        form->addPair(QStringLiteral("Postcode:"), p + QStringLiteral("Pc"));
        form->addPair(QStringLiteral("Country:"), p + QStringLiteral("Country"));
        form->addPair(QStringLiteral("Tel. no."), p + QStringLiteral("Tel"));
        form->addPair(QStringLiteral("Mobile no."), p + QStringLiteral("Mob"));
        form->addPair(QStringLiteral("Fax no."), p + QStringLiteral("Fax"));
        form->addPair(QStringLiteral("e-mail:"), p + QStringLiteral("email"));
        form->addPair(QStringLiteral("WWW:"), p + QStringLiteral("www"));
        form->finish();
        return scrolling(form, tabs);
    };
    tabs->addTab(page(false), QStringLiteral("Home Details"));
    tabs->addTab(page(true), QStringLiteral("Office Details"));
    tabs->setCurrentIndex(0);
    layout->addWidget(tabs, 1);
    return withCaption(QStringLiteral(" Details"), withPicture(body, picture(dm), this), this);
}

DetailsPicture* FolderPanel::picture(TDM& dm)
{
    m_picture = new DetailsPicture(&FolderDefinition::source(dm, m_definition.index), m_definition.index, dm.dbKOLT);
    return m_picture;
}

QWidget* FolderPanel::buildDescription(TDM& dm)
{
    m_description = new TDBRichView(this);
    m_description->setObjectName(QStringLiteral("dbDescription%1").arg(m_definition.index));
    m_description->setAccessibleName(QStringLiteral("Description"));
    m_description->setDataSource(&FolderDefinition::source(dm, m_definition.index));
    m_description->setDataField(QStringLiteral("Description"));
    return withCaption(QStringLiteral(" Description"), m_description, this);
}

QWidget* FolderPanel::buildLower(TDM& dm)
{
    QWidget* description = buildDescription(dm);
    if (m_definition.lower == FolderDefinition::Lower::Description)
        return description;

    const bool cast = m_definition.lower == FolderDefinition::Lower::Cast;
    m_detailList = new TDBGrid(this);
    m_detailList->setObjectName(cast ? QStringLiteral("gridMv_Cast") : QStringLiteral("gridMu_Songs"));
    m_detailList->setAccessibleName(cast ? QStringLiteral("Cast") : QStringLiteral("Songs"));
    TDBGrid::Options options;
    options.titles = false;
    options.indicator = false;
    options.fitWidth = true;
    options.rowHeight = 14;
    options.rowSelect = !cast;
    m_detailList->setOptions(options);
    std::vector<GridColumn> columns;
    if (cast) {
        columns.push_back({QStringLiteral("Name"), QString(), 100});
    } else {
        GridColumn track{QStringLiteral("Track"), QString(), 20};
        track.alignment = Qt::AlignRight | Qt::AlignVCenter;
        columns = {track, {QStringLiteral("Title"), QString(), 100}, {QStringLiteral("Time"), QString(), 40}};
    }
    m_detailList->setColumns(columns);
    m_detailList->setDataSource(cast ? &dm.dsMv_Cast : &dm.dsMu_Songs);

    CaptionStrip* strip = nullptr;
    QWidget* list = withCaption(cast ? QStringLiteral(" Cast") : QStringLiteral(" Songs"), m_detailList, this, &strip);
    m_addDetail = strip->addButton(cast ? QStringLiteral("Add cast member") : QStringLiteral("Add song"),
                                   QIcon(QStringLiteral(":/main/icons/add-small.svg")));
    m_deleteDetail = strip->addButton(cast ? QStringLiteral("Delete cast member") : QStringLiteral("Delete song"),
                                      QIcon(QStringLiteral(":/main/icons/delete-small.svg")));
    m_addDetail->setObjectName(cast ? QStringLiteral("sbDodCast") : QStringLiteral("sbDodSongs"));
    m_deleteDetail->setObjectName(cast ? QStringLiteral("sbDelCast") : QStringLiteral("sbDelSongs"));

    m_lower = splitter(Qt::Vertical, this);
    m_lower->addWidget(list);
    m_lower->addWidget(description);
    return m_lower;
}

void FolderPanel::applyProportions()
{
    const int width = m_across->width() - m_across->handleWidth();
    const int height = m_right->height() - m_right->handleWidth();
    if (width <= 0 || height <= 0)
        return;
    const int gridWidth = width * m_definition.gridShare / 100;
    m_across->setSizes({gridWidth, width - gridWidth});
    const int detailsHeight = height * m_definition.detailsShare / 100;
    m_right->setSizes({detailsHeight, height - detailsHeight});
    if (m_lower) {
        const int lowerHeight = height - detailsHeight - m_lower->handleWidth();
        const int listHeight = lowerHeight * m_definition.listShare / 100;
        m_lower->setSizes({listHeight, lowerHeight - listHeight});
    }
    m_proportioned = true;
}

void FolderPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_proportioned) {
        layout()->activate();
        applyProportions();
    }
}

void FolderPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The starting proportions are set once the panel has its first real size; after that
    // the splitters are the user's.
    if (!m_proportioned && isVisible())
        applyProportions();
}
