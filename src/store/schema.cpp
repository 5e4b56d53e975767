#include "store/schema.h"

#include "board/cells.h"

namespace zov::store::schema {

const std::string &createTable()
{
    static const std::string text = R"sql(
CREATE TABLE Game (
  GameNo  INTEGER NOT NULL CHECK (typeof(GameNo) = 'integer' AND GameNo BETWEEN 1 AND )sql"
        + std::to_string(MaxGameNumber) + R"sql(),
  "Index" INTEGER NOT NULL CHECK (typeof("Index") = 'integer' AND "Index" BETWEEN 1 AND )sql"
        + std::to_string(CellCount) + R"sql(),
  Number  INTEGER NOT NULL CHECK (typeof(Number) = 'integer' AND Number BETWEEN 1 AND 9),
  PRIMARY KEY (GameNo, "Index")
) WITHOUT ROWID;
)sql";
    return text;
}

const std::string &highestNumbers()
{
    static const std::string text = "SELECT GameNo FROM Game WHERE GameNo BETWEEN 1 AND "
        + std::to_string(MaxGameNumber) + " ORDER BY GameNo DESC";
    return text;
}

} // namespace zov::store::schema
