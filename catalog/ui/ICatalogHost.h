#pragma once

// What the catalog's widgets (tree, catalog commands, import) need from the main window that
// owns them. The main window implements it; tests can implement it with a small fake.

#include "catalog/TCSVSetup.h"
#include "platform/TJsonDocument.h"

#include <string>

class QWidget;

namespace artikel {

class TCSVRequest;
class TListDataSet;
class TLeftTree;

class ICatalogHost {
public:
    virtual ~ICatalogHost() = default;

    virtual TCSVRequest& Catalog() = 0;
    virtual TLeftTree& Tree() = 0;
    // The window that asks questions, shows the import overlay and is disabled meanwhile.
    virtual QWidget* HostWindow() = 0;

    // A background load is pending: catalog commands and imports do nothing meanwhile.
    virtual bool LoaderBusy() const = 0;
    // An import or the field-assignment dialog is running.
    virtual bool ImportBusy() const = 0;
    virtual void SetImportBusy(bool busy) = 0;

    // The loaded database, or null.
    virtual TListDataSet* CurrentDataSet() = 0;
    // With a database loaded and a node selected: the node document of the selection, and
    // `setup` filled from it; otherwise null and `setup` untouched.
    virtual TJSON* SelectedSetup(TCSVSetup& setup) = 0;
    // The find box text as typed (Windows-1252).
    virtual std::string FindText() const = 0;
};

// ImportBusy for its lifetime: a second import, drops and the field assignment wait meanwhile.
class TImportBusyGuard {
public:
    explicit TImportBusyGuard(ICatalogHost& host)
        : host_(host)
    {
        host_.SetImportBusy(true);
    }
    ~TImportBusyGuard() { host_.SetImportBusy(false); }
    TImportBusyGuard(const TImportBusyGuard&) = delete;
    TImportBusyGuard& operator=(const TImportBusyGuard&) = delete;

private:
    ICatalogHost& host_;
};

} // namespace artikel
