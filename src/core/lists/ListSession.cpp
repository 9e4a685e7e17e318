#include "core/lists/ListSession.h"

#include <algorithm>

#include "core/lists/Csv.h"
#include "core/text/SjisText.h"

namespace tanzel {

bool FirstRowNamesColumns(std::span<const std::vector<std::string>> rows, TextEncoding encoding) {
  if (rows.empty()) return false;
  const std::vector<std::string> first = FieldsToSjis(rows[0], encoding);
  if (rows.size() < 2) return LooksLikeHeader(first, nullptr);
  const std::vector<std::string> second = FieldsToSjis(rows[1], encoding);
  return LooksLikeHeader(first, &second);
}

ListColumns RecogniseColumns(std::span<const std::vector<std::string>> rows, TextEncoding encoding, bool header) {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> sample;
  for (std::size_t r = 0; r < rows.size() && sample.size() < kLayoutSampleRows; ++r) {
    if (header && r == 0)
      names = FieldsToSjis(rows[r], encoding);
    else
      sample.push_back(FieldsToSjis(rows[r], encoding));
  }
  return GuessColumns(header && !rows.empty() ? &names : nullptr, sample);
}

std::string DescribeColumns(const ListColumns& columns, const std::vector<std::string>* names) {
  auto column = [&](int c) {
    std::string text;
    if (names && c >= 0 && static_cast<std::size_t>(c) < names->size() && !(*names)[c].empty())
      text = SjisToUtf8((*names)[c]) + " ";
    return text + "(" + std::to_string(c + 1) + ")";
  };
  std::string out = "address: ";
  for (std::size_t i = 0; i < columns.address.size(); ++i) out += (i > 0 ? " + " : "") + column(columns.address[i]);
  if (columns.address.empty()) out += "none";
  out += "; existing code: " + (columns.code >= 0 ? column(columns.code) : std::string("none"));
  return out;
}

RowAnswer ResolveFields(const AddressIndex& index, const std::vector<std::string>& fields, TextEncoding encoding,
                        const ListColumns& columns, const RowDecision* decision) {
  const std::string address =
      decision && decision->address ? *decision->address : JoinAddress(fields, encoding, columns.address);
  const bool hasCode = columns.code >= 0 && static_cast<std::size_t>(columns.code) < fields.size();
  RowAnswer answer = ResolveRow(index, address, hasCode ? FieldToSjis(fields[columns.code], encoding) : std::string());
  if (decision && decision->postal) {
    // A person's choice is among the address's own candidates, whatever the existing code
    // decided; it is weighed against that code as any answer is.
    RowAnswer own = ResolveRow(index, address, std::string_view());
    own.existing = answer.existing;
    const auto& codes = own.answer.codes;
    auto it =
        std::find_if(codes.begin(), codes.end(), [&](const Resolution& r) { return r.postal == *decision->postal; });
    if (it != codes.end()) {
      ChooseCandidate(own, static_cast<std::size_t>(it - codes.begin()));
      return own;
    }
  }
  return answer;
}

ListWriter::ListWriter(std::FILE* file, const ListOutput& output, TextEncoding from, std::size_t width, bool withCode)
    : file_(file),
      output_(output),
      from_(from),
      width_(width),
      appended_(withCode ? kAppendedColumns : kAppendedColumns - 1) {
  if (output_.workbook) {
    workbook_ = std::make_unique<WorkbookWriter>(file);
    if (!workbook_->error().empty()) {
      error_ = workbook_->error();
      failed_ = true;
    }
  } else if (output_.encoding == TextEncoding::Utf8Bom) {
    buffer_.append(kUtf8Bom);
  }
}

ListWriter::~ListWriter() = default;

bool ListWriter::Header(const std::vector<std::string>& fields) {
  const std::vector<std::string> names = FieldsToSjis(fields, from_);
  return Append(fields, AppendedNames(&names));
}

bool ListWriter::Row(const std::vector<std::string>& fields, const AddressIndex& index, const RowAnswer& answer) {
  return Append(fields, AppendedCells(index, answer, output_.words));
}

bool ListWriter::Unresolved(const std::vector<std::string>& fields) {
  return Append(fields, {});
}

bool ListWriter::Append(const std::vector<std::string>& fields,
                        const std::array<std::string, kAppendedColumns>& cells) {
  if (failed_) return false;
  ++written_;
  if (workbook_) {
    cells_.assign(std::max(width_, fields.size()) + static_cast<std::size_t>(appended_), std::string());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (!ConvertField(fields[i], from_, TextEncoding::Utf8, cells_[i])) {
        error_ = "row " + std::to_string(written_) + " holds a character that cannot be converted";
        return !(failed_ = true);
      }
    }
    for (int i = 0; i < appended_; ++i)
      SjisToEncoding(cells[i], TextEncoding::Utf8, cells_[cells_.size() - appended_ + i]);
    if (!workbook_->Row(cells_)) {
      error_ = workbook_->error();
      failed_ = true;
    }
    return !failed_;
  }
  if (!AppendListRow(buffer_, fields, width_, from_, output_.encoding, cells, appended_)) {
    error_ = "row " + std::to_string(written_) + " holds a character Shift-JIS cannot represent";
    failed_ = true;
    return false;
  }
  if (buffer_.size() >= (1u << 16)) {
    failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size();
    buffer_.clear();
  }
  return !failed_;
}

bool ListWriter::Finish() {
  if (failed_) return false;
  if (workbook_) {
    failed_ = !workbook_->Finish();
    if (failed_) error_ = workbook_->error();
    return !failed_;
  }
  failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size();
  buffer_.clear();
  return !failed_;
}

}  // namespace tanzel
