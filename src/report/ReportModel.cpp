#include "report/ReportModel.h"

ReportModel::ReportModel() = default;
