// adqConfereNumeros: the items of the listed comandas of open sales that hold
// something other than a number (or nothing) in a numeric column. SQLite
// keeps whatever it is given in any column and turns text into 0 inside
// arithmetic without a word: a price of 'abc', or '12,9', would be billed as
// 0, or 12. The other engines type their columns, and their text finds no
// row (the bill runs it on SQLite only). The items are reached through the
// comanda index by the list's numbers, as the bill's items are.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqConfereNumeros() {
  static const std::string tipado =
      R"sql(SELECT NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, '' AS COLUNA, '' AS VALOR FROM ITCOMANDAVEN WHERE (CDFILIAL = :P_CDFILIAL) AND (NRCOMANDA = :P_NRCOMANDA) AND (1 = 0))sql";
  static const StatementDefinition definition = {
      "adqConfereNumeros",
      false,
      {
          tipado,
          tipado,
          tipado,
          // SQLite
          expandListTests(R"sql(SELECT IT.NRVENDAREST, IT.NRCOMANDA, IT.NRPRODCOMVEN,
       CASE WHEN typeof(IT.QTPRODCOMVEN) NOT IN ('integer', 'real', 'null') THEN 'QTPRODCOMVEN'
            WHEN typeof(IT.VRPRECCOMVEN) NOT IN ('integer', 'real', 'null') THEN 'VRPRECCOMVEN'
            WHEN typeof(IT.VRPRECCLCOMVEN) NOT IN ('integer', 'real', 'null') THEN 'VRPRECCLCOMVEN'
            WHEN typeof(IT.VRDESCCOMVEN) NOT IN ('integer', 'real', 'null') THEN 'VRDESCCOMVEN'
            ELSE 'VRACRCOMVEN' END AS COLUNA,
       CASE WHEN typeof(IT.QTPRODCOMVEN) NOT IN ('integer', 'real', 'null') THEN quote(IT.QTPRODCOMVEN)
            WHEN typeof(IT.VRPRECCOMVEN) NOT IN ('integer', 'real', 'null') THEN quote(IT.VRPRECCOMVEN)
            WHEN typeof(IT.VRPRECCLCOMVEN) NOT IN ('integer', 'real', 'null') THEN quote(IT.VRPRECCLCOMVEN)
            WHEN typeof(IT.VRDESCCOMVEN) NOT IN ('integer', 'real', 'null') THEN quote(IT.VRDESCCOMVEN)
            ELSE quote(IT.VRACRCOMVEN) END AS VALOR
  FROM {{substrings of :P_NRCOMANDA}} LC
  CROSS JOIN ITCOMANDAVEN IT
  CROSS JOIN VENDAREST VR ON (VR.CDFILIAL = IT.CDFILIAL) AND (VR.NRVENDAREST = IT.NRVENDAREST)
 WHERE (IT.CDFILIAL = :P_CDFILIAL)
   AND ({{IT.NRCOMANDA matches LC}})
   AND (+VR.DTHRFECHMESA IS NULL)
   AND (typeof(IT.QTPRODCOMVEN) NOT IN ('integer', 'real', 'null')
        OR typeof(IT.VRPRECCOMVEN) NOT IN ('integer', 'real', 'null')
        OR typeof(IT.VRPRECCLCOMVEN) NOT IN ('integer', 'real', 'null')
        OR typeof(IT.VRDESCCOMVEN) NOT IN ('integer', 'real', 'null')
        OR typeof(IT.VRACRCOMVEN) NOT IN ('integer', 'real', 'null'))
 ORDER BY 1, 2, 3)sql",
                          db::Dialect::Sqlite, ListMatching::Indexed),
      },
      {},
  };
  return definition;
}

}  // namespace conta::data::sql
