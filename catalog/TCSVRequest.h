#pragma once

// The catalog of databases: the catalog folders, the node documents of all databases found on
// disk, and the positions queue.
//
// Every database lives in a folder of its own below NodesFolder with its node file "node.json"
// (caption, file names, saved filters, field assignment). There is no central index: the catalog
// is what a recursive scan of NodesFolder finds. Node documents are owned here; pointers to them
// and to their filter objects stay valid only until the next ReloadNodes.
//
// Folder paths are native (UTF-8 on Linux) and end in the separator. Caption, filter and id
// texts are Windows-1252 (see platform/TJsonDocument.h for how the documents hold them).

#include "catalog/IOfficeLink.h"
#include "catalog/NodeFile.h"
#include "catalog/TCSVSetup.h"
#include "data/TListDataSet.h"
#include "platform/TJsonDocument.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

inline constexpr const char* kCatalogRootName = "TCSVRequest2.Root";

class TCSVRequest {
public:
    // Creates the catalog folders "TCSVRequest2.Root", its "nodes" and "baskets" below
    // clientRoot (empty: GetClientRoot()) and makes the catalog root the settings folder.
    // A folder that cannot be created is not reported here; later writes into it fail.
    // Does not scan: the catalog is empty until ReloadNodes.
    explicit TCSVRequest(const std::string& clientRoot);
    // The same with the link to the office application: its current order is asked once here,
    // and that order's purchase type decides how prices are built for the whole run.
    TCSVRequest(const std::string& clientRoot, std::unique_ptr<IOfficeLink> officeLink);
    ~TCSVRequest();
    TCSVRequest(const TCSVRequest&) = delete;
    TCSVRequest& operator=(const TCSVRequest&) = delete;

    const std::string& RootFolder() const { return rootFolder_; }
    const std::string& NodesFolder() const { return nodesFolder_; }
    const std::string& BasketsFolder() const { return basketsFolder_; }

    // Rebuilds the node list from every "*.json" below NodesFolder: fills "nodefile" and
    // "nodepath", repairs missing ids and captions (saving the repaired file), sorts filters and
    // databases by caption. A node file that cannot be parsed is taken from its ".~json" backup
    // when that parses (and rewritten from it); otherwise the database is left out, its folder
    // stays on disk.
    void ReloadNodes();

    // The node documents in caption order (a copy of the list; the documents stay owned here).
    std::vector<TJSON*> Nodes() const;
    // Holds the node list's lock across several calls, e.g. a walk over Nodes() that looks up
    // filters on the way. The lock is recursive: the operations may be called while it is held.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> LockNodeList() const;
    std::size_t NodeCount() const;

    // The database whose "uid" is id, or which holds a filter with that "uid" (exact compare).
    TJSON* FindNode(std::string_view id) const;
    // The filter object with that "uid" in any database.
    TJSON* FindFilter(std::string_view id) const;
    // The id of the database listed before the database id (for the first: the second one);
    // empty when id is no database id or there is no neighbour.
    std::string NeighbourNodeId(std::string_view id) const;

    // Returns the id of the filter with that find text (letter case ignored), appending a new
    // filter when there is none. Changes the document in memory only.
    std::string AddFilter(TJSON& node, std::string_view findText);
    // Deletes the filter with that id and returns the id to select next: the filter now at its
    // place, else the first filter, else the database itself. In memory only.
    std::string RemoveFilter(TJSON& node, std::string_view filterId);

    // The field assignment stored in the node document.
    TCSVSetup LoadCSVSetup(const TJSON& node) const;
    // Stores the field assignment and saves the node file (when the document has one).
    // Returns the result of the save (true when there was nothing to save).
    bool SaveCSVSetup(TJSON& node, const TCSVSetup& setup);
    // Saves a node document to the path in its "nodefile" (see SaveNodeFile).
    bool SaveNode(const TJSON& node) const;

    // Decimal separator used when "PriceFactor" is written; the user's locale by default.
    char DecimalSeparator() const { return decimalSeparator_; }
    void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }

    // The positions queue (rows waiting to be sent to the office application, shown by the
    // basket): open from the start, with the seven fields of kPositionFieldNames.
    TListDataSetEx& PositionSet() const { return *positionSet_; }

    // --- positions for the office application ---
    // Appends one position built from the current row of source through the assignment: per
    // position field the texts of its assigned columns that exist in source, joined by a blank
    // and trimmed at the end. Price and quantity get the decimal separator for "."; the price is
    // also multiplied by the factor and written as "#.00" unless PurchaseType(); a quantity none
    // of whose columns exists is "1". With refresh the queue's views are refreshed afterwards
    // (pass it for the last row of a batch).
    void MakePosition(const TListDataSet& source, const TCSVSetup& setup, bool refresh);
    // The position MakePosition would append, as the seven field texts.
    std::array<std::string, 7> BuildPosition(const TListDataSet& source, const TCSVSetup& setup) const;

    // True only when the office application says it can take positions now (false without link).
    bool CanPost();
    // Sends all positions of the queue as one document. With clearAfter the queue is empty
    // afterwards whatever happened. True only when the office application's complete reply
    // arrived (an empty queue sends nothing and is false, as is a catalog without link).
    bool SendPositions(bool clearAfter);
    // The order being edited in the office application (the defaults without link).
    TCurrentOrder GetCurrentOrder();
    // The purchase-type flag of the order current when the catalog was created.
    bool PurchaseType() const { return purchaseType_; }
    IOfficeLink* OfficeLink() const { return officeLink_.get(); }

    // The mini-markup line of the queue's current position (empty when there is none), and of
    // the position at viewRow of the queue's view.
    std::string PositionDisplayText() const;
    std::string PositionDisplayText(int viewRow) const;

private:
    std::string rootFolder_;
    std::string nodesFolder_;
    std::string basketsFolder_;
    char decimalSeparator_;
    std::unique_ptr<TListDataSetEx> positionSet_;
    std::unique_ptr<IOfficeLink> officeLink_;
    bool purchaseType_ = false;

    mutable std::recursive_mutex nodeLock_;
    std::vector<std::unique_ptr<TJSON>> nodeList_; // guarded by nodeLock_
};

// "PriceFactor" as written with the given decimal separator: general format, up to 15
// significant digits, no thousands separators.
std::string FormatPriceFactor(double value, char decimalSeparator);
// "PriceFactor" read with "." or "," as the decimal separator; 0 when it is no number.
double ParsePriceFactor(std::string_view text);
// The decimal separator of the user's locale (LC_NUMERIC).
char LocaleDecimalSeparator();

// A price text as a number: "." becomes the decimal separator, which is then the only decimal
// point; blanks around it are ignored; 0 when it is no (finite) number.
double PriceTextToNumber(std::string_view text, char decimalSeparator);
// The number in the pattern "#.00": two decimals, no leading zero ("0.5" -> ",50", 0 -> ",00").
std::string FormatPrice(double value, char decimalSeparator);
// The mini-markup line of one position given its seven field texts.
std::string PositionDisplayText(const std::array<std::string_view, 7>& fields);

} // namespace artikel
