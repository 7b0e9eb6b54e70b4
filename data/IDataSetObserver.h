#pragma once

namespace artikel {

class TListDataSet;

// How a table-model layer learns of a dataset's changes without an event loop.
//
// The view's rows, their order and the fields change only between DataSetBeginUpdate and the
// matching DataSetEndUpdate (pairs nest; DisableControls/EnableControls open and close one too);
// DataSetRefreshed, sent inside such a pair, says that they did change, so a model resets at the
// outermost end. DataSetCursorMoved follows every move of the current row.
class IDataSetObserver {
public:
    virtual ~IDataSetObserver() = default;
    virtual void DataSetBeginUpdate(TListDataSet& dataSet) = 0;
    virtual void DataSetEndUpdate(TListDataSet& dataSet) = 0;
    virtual void DataSetRefreshed(TListDataSet& dataSet) = 0;
    virtual void DataSetCursorMoved(TListDataSet& dataSet) = 0;
    // The dataset is being destroyed; it forgets its observers.
    virtual void DataSetDestroyed(TListDataSet& dataSet) = 0;
};

} // namespace artikel
