// adqCouvert: the items of a charge product (the cover, and the minimum
// consumption too) on the listed comandas of open sales, one row per item,
// whatever its seat, in the order of sale, comanda and item number. A comanda
// counts as listed when its number occurs anywhere in the list text. Items
// of status "6" or "7" are cancelled and count as no charge, as the item
// lookup leaves them out. Yesterday's closed sale under today's comanda
// number, and the other comandas of a listed comanda's sale, are never read:
// a bill re-counts or re-prices only the charge items it covers.
// The items are reached through the branch's open sales, found by their
// index among years of closed ones; the list test then sorts out the few
// items of those sales, faster than looking up each substring of the list.
// On PostgreSQL and SQLite an empty comanda number occurs in no list, as
// Oracle's INSTR of an empty (NULL) text finds nothing.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqCouvert() {
  static const StatementDefinition definition = {
      "adqCouvert",
      true,
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
  FROM VENDAREST V
  JOIN ITCOMANDAVEN I ON (I.CDFILIAL = V.CDFILIAL) AND (I.NRVENDAREST = V.NRVENDAREST)
  JOIN COMANDAVEN C ON (I.CDFILIAL = C.CDFILIAL) AND (I.NRVENDAREST = C.NRVENDAREST)
                   AND (I.NRCOMANDA = C.NRCOMANDA)
 WHERE (V.CDFILIAL = :P_CDFILIAL)
   AND (V.DTHRFECHMESA IS NULL)
   AND (strpos(:P_NRCOMANDA, NULLIF(I.NRCOMANDA, '')) > 0)
   AND (I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
          // SQLite: the open sales first (CROSS JOIN keeps that order), and
          // the product test off the product index (unary +), which would
          // walk every cover item of the store's history.
          R"sql(SELECT V.NRPESMESAVEN, C.DSCOMANDA, I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN,
       I.NRLUGARMESA, I.QTPRODCOMVEN, I.VRPRECCOMVEN
  FROM VENDAREST V
 CROSS JOIN ITCOMANDAVEN I
  JOIN COMANDAVEN C ON (I.CDFILIAL = C.CDFILIAL) AND (I.NRVENDAREST = C.NRVENDAREST)
                   AND (I.NRCOMANDA = C.NRCOMANDA)
 WHERE (V.CDFILIAL = :P_CDFILIAL)
   AND (V.DTHRFECHMESA IS NULL)
   AND (I.CDFILIAL = V.CDFILIAL)
   AND (I.NRVENDAREST = V.NRVENDAREST)
   AND (instr(:P_NRCOMANDA, NULLIF(I.NRCOMANDA, '')) > 0)
   AND (+I.CDPRODUTO = :P_CDPRODUTO)
   AND (I.IDSTPRCOMVEN NOT IN ('6', '7'))
 ORDER BY I.NRVENDAREST, I.NRCOMANDA, I.NRPRODCOMVEN)sql",
      },
      {},
  };
  return definition;
}

}  // namespace conta::data::sql
