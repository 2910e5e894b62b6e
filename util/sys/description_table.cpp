// The process-wide table of named descriptions.
#include "util/sys/description_table.h"

description_map description_table;
