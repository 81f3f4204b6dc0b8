// adqCouvert: the items of a charge product (the cover, and the minimum
// consumption too) on the listed comandas of open sales, one row per item,
// whatever its seat, in the order of sale, comanda and item number. A comanda
// counts as listed when its number occurs anywhere in the list text. Items
// of status "6" or "7" are cancelled and count as no charge, as the item
// lookup leaves them out. Yesterday's closed sale under today's comanda
// number, and the other comandas of a listed comanda's sale, are never read:
// a bill re-counts or re-prices only the charge items it covers.
// The items are reached through the comanda index, by the list's numbers,
// as the bill's items are: a store without an index of its open sales
// (made by other software) finds them as fast.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqCouvert() {
  static const StatementDefinition definition = listStatement(
      "adqCouvert",
      {
          // Oracle
          R"sql(SELECT V.NRPESMESAVEN, C.DSCOMANDA, I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN,
       I.NRLUGARMESA, I.QTPRODCOMVEN, I.VRPRECCOMVEN
  FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C
 WHERE (V.CDFILIAL = :P_CDFILIAL)
   AND (INSTR(:P_NRCOMANDA, I.NRCOMANDA) > 0)
   AND (V.DTHRFECHMESA IS NULL)
   AND (V.CDFILIAL = I.CDFILIAL)
   AND (V.NRVENDAREST = I.NRVENDAREST)
   AND (I.CDFILIAL = C.CDFILIAL)
   AND (I.NRVENDAREST = C.NRVENDAREST)
   AND (I.NRCOMANDA = C.NRCOMANDA)
   AND (I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
          // MS SQL Server
          R"sql(SELECT V.NRPESMESAVEN, C.DSCOMANDA, I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN,
       I.NRLUGARMESA, I.QTPRODCOMVEN, I.VRPRECCOMVEN
  FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C
 WHERE (V.CDFILIAL = :P_CDFILIAL)
   AND (CHARINDEX(I.NRCOMANDA, :P_NRCOMANDA) > 0)
   AND (V.DTHRFECHMESA IS NULL)
   AND (V.CDFILIAL = I.CDFILIAL)
   AND (V.NRVENDAREST = I.NRVENDAREST)
   AND (I.CDFILIAL = C.CDFILIAL)
   AND (I.NRVENDAREST = C.NRVENDAREST)
   AND (I.NRCOMANDA = C.NRCOMANDA)
   AND (I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
          // PostgreSQL
          R"sql(SELECT V.NRPESMESAVEN, C.DSCOMANDA, I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN,
       I.NRLUGARMESA, I.QTPRODCOMVEN, I.VRPRECCOMVEN
  FROM ITCOMANDAVEN I
  JOIN VENDAREST V ON (V.CDFILIAL = I.CDFILIAL) AND (V.NRVENDAREST = I.NRVENDAREST)
  JOIN COMANDAVEN C ON (I.CDFILIAL = C.CDFILIAL) AND (I.NRVENDAREST = C.NRVENDAREST)
                   AND (I.NRCOMANDA = C.NRCOMANDA)
 WHERE (I.CDFILIAL = :P_CDFILIAL)
   AND ({{I.NRCOMANDA in :P_NRCOMANDA}})
   AND (V.DTHRFECHMESA IS NULL)
   AND (I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
          // SQLite: the open-sale test off the open-sales index (unary +).
          R"sql(SELECT V.NRPESMESAVEN, C.DSCOMANDA, I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN,
       I.NRLUGARMESA, I.QTPRODCOMVEN, I.VRPRECCOMVEN
  FROM {{substrings of :P_NRCOMANDA}} LC
  CROSS JOIN ITCOMANDAVEN I
  CROSS JOIN VENDAREST V ON (V.CDFILIAL = I.CDFILIAL) AND (V.NRVENDAREST = I.NRVENDAREST)
  CROSS JOIN COMANDAVEN C ON (I.CDFILIAL = C.CDFILIAL) AND (I.NRVENDAREST = C.NRVENDAREST)
                         AND (I.NRCOMANDA = C.NRCOMANDA)
 WHERE (I.CDFILIAL = :P_CDFILIAL)
   AND ({{I.NRCOMANDA matches LC}})
   AND (+V.DTHRFECHMESA IS NULL)
   AND (I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
      },
      {});
  return definition;
}

}  // namespace conta::data::sql
