#pragma once

// What a dataset tells the data sources bound to it.
enum class TDataEvent {
    FieldChange,     // one field of the current row changed while editing (info: the TField*)
    RecordChange,    // the current row as a whole changed (entered edit state)
    DataSetChange,   // the result changed: opened, re-run, insert, post, cancel, delete, release
    DataSetScroll,   // the current row moved (info: the distance)
    UpdateState,     // the state changed (inactive, browse, edit, insert)
    UpdateRecord,    // store pending input now: a post is about to happen
    CheckBrowseMode, // leave edit state: the dataset is about to move, post, cancel or delete
    FocusControl,    // a post was refused for this field: its control takes the focus (info: the TField*)
};
