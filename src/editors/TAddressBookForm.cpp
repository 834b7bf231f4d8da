#include "TAddressBookForm.h"

#include "TDM.h"

#include <QFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

TAddressBookForm* AddressBookForm = nullptr;

namespace {

using K = EditorField::Kind;

EditorField text(const char* label, const char* field, int indent = 0)
{
    EditorField f;
    f.label = QLatin1String(label);
    f.field = QLatin1String(field);
    f.width = indent > 0 ? 255 : 309;
    f.indent = indent;
    return f;
}

// A home or office address: the same lines under another prefix, the telephones a little apart.
std::vector<EditorRow> addressRows(const char* prefix)
{
    const auto f = [prefix](const char* name) -> QString { return QLatin1String(prefix) + QLatin1String(name); };
    auto line = [&](const char* label, const char* name, int indent = 0) {
        EditorField entry = text(label, "", indent);
        entry.field = f(name);
        return EditorRow{entry};
    };
    EditorRow second = line("", "Addr2");
    second.front().spoken = QStringLiteral("Address, second line");
    return {line("Address:", "Addr1"),
            second,
            line("Postcode:", "Pc", 54),
            line("Country:", "Country", 54),
            {},
            line("Tel. no.", "Tel"),
            line("Mobile no.", "Mob"),
            line("Fax no.", "Fax"),
            line("e-mail:", "email"),
            line("WWW:", "www")};
}

// A page that begins with a thin line along its top.
QWidget* page(QWidget* parent, QWidget** body)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* rule = new QFrame(page);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);
    *body = new QWidget(page);
    layout->addWidget(*body, 1);
    return page;
}

} // namespace

TAddressBookForm::TAddressBookForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Address Book"), {469, 425}, dm, dm.dsAddBook)
    , m_instance(AddressBookForm, this)
{
    setObjectName(QStringLiteral("AddressBookForm"));
    auto* fields = new QWidget(this);
    auto* layout = new QVBoxLayout(fields);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QWidget(fields);
    EditorField category{.label = QStringLiteral("Category:"),
                         .field = QStringLiteral("Category"),
                         .kind = K::List,
                         .width = 145,
                         .name = QStringLiteral("cbC_AddBook"),
                         .list = &dm.tbC_AddBook};
    addFields(top, {{text("First Name:", "F_Name")}, {text("Last Name:", "L_Name")}, {category}});
    layout->addWidget(top);

    // The pages' tabs are flat buttons; the page control has the focus when the editor opens.
    m_pages = new QTabWidget(fields);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setDocumentMode(true);
    m_pages->tabBar()->setDrawBase(false);
    m_pages->tabBar()->setFocusPolicy(Qt::StrongFocus);
    m_pages->setMinimumSize(scaled({385, 328}));
    joinTabOrder(m_pages->tabBar());
    QWidget* body = nullptr;
    m_pages->addTab(page(m_pages, &body), QStringLiteral("Home"));
    addFields(body, addressRows("H_"));
    m_pages->addTab(page(m_pages, &body), QStringLiteral("Office"));
    std::vector<EditorRow> office = addressRows("O_");
    office.insert(office.begin(), {{text("Company:", "O_Comp")}, {text("Position:", "O_Pos")}});
    addFields(body, office);
    auto* description = new QWidget(m_pages);
    m_pages->addTab(description, QStringLiteral("Description"));
    addFields(description,
              {{{.field = QStringLiteral("Description"), .kind = K::Memo, .spoken = QStringLiteral("Description")}}});
    layout->addWidget(m_pages, 1);

    m_pages->setCurrentIndex(0);
    finish(fields, m_pages->tabBar());
}
