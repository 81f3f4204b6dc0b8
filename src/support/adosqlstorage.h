// TADOSqlStorage: the texts of one statement for every database, linked to
// the statement (see platform/db/sql_storage.h).
#ifndef CONTA_SUPPORT_ADOSQLSTORAGE_H_
#define CONTA_SUPPORT_ADOSQLSTORAGE_H_

#include "platform/db/sql_storage.h"

namespace Adosqlstorage {

using TADOSqlStorage = conta::db::SqlStorage;

}  // namespace Adosqlstorage

#endif  // CONTA_SUPPORT_ADOSQLSTORAGE_H_
