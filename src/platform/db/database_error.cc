#include "platform/db/database_error.h"

namespace conta::db {

DatabaseError::~DatabaseError() = default;

}  // namespace conta::db
