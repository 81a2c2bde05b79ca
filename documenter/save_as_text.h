// The files of --saveastext: forms, reports, macros and modules written as Access's
// Application.SaveAsText writes them, in the layout version-control exporters keep them
// (forms/, reports/, macros/, modules/), as UTF-8 (with a byte-order mark, except modules, which
// Access writes in the code page and those exporters keep as they are), lines ending in CR LF.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/application/form_design.h"
#include "engine/dao.h"

namespace tavrek::doc {

// The text of a form or report: "Version", "VersionRequired", then the object with its
// properties in stored order, its sections and controls nested in "Begin"/"End" blocks, and,
// when `code` is not empty, "CodeBehindForm" and the module behind it (without the attributes
// Access leaves out there). Without byte-order mark.
std::string DesignText(const engine::vba::FormDesign& design, const std::string& code);

// The text of a query written as SQL: `dbMemo "SQL"`, the connection, ReturnsRecords and
// ODBCTimeout, the query's stored properties (those DAO defines for every query left out), then
// the stored properties of each output column in "Begin"/"End" blocks. Without byte-order mark.
std::string QueryExportText(const dao::QueryDef& q);

// The text of a query as Access writes one it keeps in the design grid (a select, make-table,
// append, update, delete or crosstab query with the row of its operation): Operation, target,
// Option, TOP, Where and Having lines; the InputTables, OutputColumns, Parameters, Joins, OrderBy
// and Groups blocks; the properties as QueryExportText writes them; then the layout of the design
// window when one is stored. Nothing (and `reason` left empty) for a query Access writes as SQL;
// nothing with `reason` set for one whose grid holds parts whose form is not known (another
// database, a subquery as source) or whose layout is damaged. Without byte-order mark.
std::optional<std::string> QueryGridText(const dao::QueryDef& q, std::string& reason);

// The text of a standalone macro from its definition (DocumentInfo::definition): "Version",
// "ColumnsShown" and a "Begin"/"End" block per row of the macro sheet (macro name, condition,
// action, comment, arguments; an empty row as an empty block). Nothing when the rows cannot be
// followed. Without byte-order mark.
std::optional<std::string> MacroExportText(const std::string& definition);

// The text of a standard or class module as Access exports it: the source without its
// "Attribute VB_Name" line and without the line break after the last line.
std::string ModuleExportText(const std::string& source);

// The files --saveastext writes, (relative path, content): forms/NAME.bas and reports/NAME.bas
// for every form and report whose design was read, macros/NAME.bas for every macro whose rows can
// be followed (those Access keeps for itself, "~…", left out), queries/NAME.bas in the design-grid or SQL
// form (pass-through queries, whose connection may carry a password, are named in `skipped`),
// modules/NAME.bas (standard) or
// .cls (class). Names are made safe for the file system;
// names that would collide (ignoring case) in one folder get "~2", "~3"… `skipped` receives one
// line per object left out, with the reason.
std::vector<std::pair<std::string, std::string>> SaveAsTextFiles(dao::Database& db,
                                                                 std::vector<std::string>& skipped);

// Writes `files` below `dir`, creating the folders. False with a message when it cannot.
bool WriteSaveAsTextFiles(const std::string& dir,
                          const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error);

}  // namespace tavrek::doc
