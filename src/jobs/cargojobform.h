#pragma once

#include "formfield.h"

// The field table of the cargo job windows, export and import. Both job
// tables (货运出口基本信息, 货运进口基本信息) have the same 88 columns in the
// same order, so both windows bind the same Tags 10 to 830 on the pages
// 基本信息, 货物信息, 其它信息 and 状态信息, each row .named(its column);
// the status page also shows read-only copies of 手册号 and 提单号 and the
// finance status of 财务 (Tags 1000 to 1150).
//
// The shared rows are worded as the columns are named. A kind gives the rows
// in which it differs, written with the same builders, and rows of its own
// for the end of the status page:
//
//   CargoJobForm::fields({
//       Field::combo(60, u"船公司"_s),                                           // its label
//       Field::combo(100, u"目的港"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s),  // a default
//       Field::group(u"提货单状态:"_s).named(u"提单状态"_s),                     // a group's title
//   }, {
//       Field::group(u"结单状态"_s), …
//   });
//
// A change gives the shared row of its Tag (a row without a Tag: of its
// name) its label, and its text and Hint where it sets them; the kind of
// field, the column name and the rest stay as shared.
namespace CargoJobForm {

// Object names of the read-only copies on the status page.
inline const char16_t ManualCopy[] = u"手册号副本";
inline const char16_t BillNumberCopy[] = u"核销单号副本";

FormTable fields(const FormTable &changes = {}, const FormTable &extras = {});

} // namespace CargoJobForm
