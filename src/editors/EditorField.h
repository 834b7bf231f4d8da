#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;
class TDAOTable;

// One labelled control of an editor, as a line of its table.
struct EditorField
{
    enum class Kind {
        Text,      // a text box taking at most the field's size
        Number,    // digits and a sign only
        Date,      // a date with a drop-down calendar; empty means no date
        List,      // a drop-down list fed from a lookup table, any text may be typed
        FixedList, // a drop-down list of fixed items, no typing
        Memo,      // rich text, stored as RTF
        Spin,      // a track number changed by arrows, page keys and the wheel only
        Widget,    // something of the editor's own (a list with its buttons, a group of boxes)
    };

    QString label; // empty: no label (a second address line)
    QString field;
    Kind kind = Kind::Text;
    int width = 0;                                 // drawn width in pixels; 0: as wide as the line allows
    int height = 0;                                // drawn height for a memo or an editor's own widget
    QString name;                                  // object name where the editor names the control (cbC_Movie)
    TDAOTable* list = nullptr;                     // the lookup table a List is filled from when the editor opens
    QStringList items;                             // the items of a FixedList
    int maxChars = 0;                              // a limit of the box's own below the field's (a year: 4)
    bool strong = false;                           // the label in bold maroon
    int indent = 0;                                // drawn pixels the control stands further right (postcode, country)
    std::function<QWidget*(QWidget* parent)> make; // an editor's own widget
    QString spoken;                                // what a screen reader calls a control without a label
};

// A line of an editor: one field, or two side by side.
using EditorRow = std::vector<EditorField>;
