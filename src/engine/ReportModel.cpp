#include "engine/ReportModel.h"

ReportModel::ReportModel() = default;
