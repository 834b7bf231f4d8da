#pragma once

#include <QString>
#include <vector>

class TDAODataset;
class TField;

// A cell's text made ready for a run: literal pieces and the expressions between them,
// resolved once against the run's dataset. "[DM.<query>."<field>"]" gives the field of the
// current record as text, "[LINETHROUGH#]" the running row number. Any other expression is
// an error of the definition.
class CellText
{
public:
    CellText(const QString& text, const TDAODataset& dataSet);

    QString evaluate(const TDAODataset& dataSet, int rowNumber) const;
    bool isConstant() const { return m_constant; }

    // The printed text of a value: empty for a null or a zero number, dates as yyyy-MM-dd,
    // never through the user's locale.
    static QString valueText(const QVariant& value);

private:
    struct Part
    {
        QString literal;
        const TField* field = nullptr;
        bool rowNumber = false;
    };
    Part expression(const QString& inner, const TDAODataset& dataSet) const;

    std::vector<Part> m_parts;
    bool m_constant = true;
};
