-- The store's restaurant database, as the bill module reads and writes it
-- (PostgreSQL). The module never creates it; this script does for tests and
-- the demo store. Money and quantities are double precision, date-times
-- timestamps to the millisecond.

CREATE TABLE FILIAL (
  CDFILIAL        varchar(4)  NOT NULL,
  CONSTRAINT PK_FILIAL PRIMARY KEY (CDFILIAL)
);

CREATE TABLE LOJA (
  CDFILIAL        varchar(4)  NOT NULL,
  CDLOJA          varchar(4)  NOT NULL,
  IDCONTROPROD    varchar(1),
  CONSTRAINT PK_LOJA PRIMARY KEY (CDFILIAL, CDLOJA)
);

CREATE TABLE VENDEDOR (
  CDVENDEDOR      varchar(4)  NOT NULL,
  NMFANVEN        varchar(30),
  VRPERCCOMISVEND double precision,
  IDVRINCIDECONTA varchar(1),
  CONSTRAINT PK_VENDEDOR PRIMARY KEY (CDVENDEDOR)
);

CREATE TABLE CLIENTE (
  CDCLIENTE       varchar(10) NOT NULL,
  NMRAZSOCCLIE    varchar(60),
  CONSTRAINT PK_CLIENTE PRIMARY KEY (CDCLIENTE)
);

CREATE TABLE CONSUMIDOR (
  CDCLIENTE       varchar(10) NOT NULL,
  CDCONSUMIDOR    varchar(10) NOT NULL,
  NMCONSUMIDOR    varchar(50),
  CDTIPOCONS      varchar(4),
  CONSTRAINT PK_CONSUMIDOR PRIMARY KEY (CDCLIENTE, CDCONSUMIDOR)
);

CREATE TABLE PRODUTO (
  CDPRODUTO       varchar(10) NOT NULL,
  NMPRODUTO       varchar(50),
  NMPRODIMPFIS    varchar(50),
  CDARVPROD       varchar(20),
  CDBARPRODUTO    varchar(20),
  IDCOBTXSERV     varchar(1),
  IDPESAPROD      varchar(1),
  CONSTRAINT PK_PRODUTO PRIMARY KEY (CDPRODUTO)
);

CREATE TABLE PRODLOJA (
  CDFILIAL        varchar(4)  NOT NULL,
  CDLOJA          varchar(4)  NOT NULL,
  CDPRODUTO       varchar(10) NOT NULL,
  CDSETOR         varchar(4),
  CONSTRAINT PK_PRODLOJA PRIMARY KEY (CDFILIAL, CDLOJA, CDPRODUTO)
);

CREATE TABLE PRODRALIMENT (
  CDFILIAL        varchar(4)  NOT NULL,
  CDPRODUTO       varchar(10) NOT NULL,
  CDCLIENTE       varchar(10) NOT NULL,
  CDCONSUMIDOR    varchar(10) NOT NULL,
  CONSTRAINT PK_PRODRALIMENT PRIMARY KEY (CDFILIAL, CDPRODUTO, CDCLIENTE, CDCONSUMIDOR)
);

CREATE TABLE IMPOSTO (
  CDIMPOSTO       varchar(4)  NOT NULL,
  IDTPIMPOSFIS    varchar(1),
  CDINTIMPOSTO    varchar(4),
  CONSTRAINT PK_IMPOSTO PRIMARY KEY (CDIMPOSTO)
);

CREATE TABLE ALIQIMPFIS (
  CDFILIAL        varchar(4)  NOT NULL,
  CDPRODUTO       varchar(10) NOT NULL,
  CDIMPOSTO       varchar(4)  NOT NULL,
  VRPEALIMPFIS    double precision,
  CONSTRAINT PK_ALIQIMPFIS PRIMARY KEY (CDFILIAL, CDPRODUTO, CDIMPOSTO)
);

CREATE TABLE JUNCAOMESA (
  CDFILIAL        varchar(4)  NOT NULL,
  CDLOJA          varchar(4)  NOT NULL,
  NRJUNMESA       varchar(4)  NOT NULL,
  CONSTRAINT PK_JUNCAOMESA PRIMARY KEY (CDFILIAL, CDLOJA, NRJUNMESA)
);

CREATE TABLE MESAJUNCAO (
  CDFILIAL        varchar(4)  NOT NULL,
  CDLOJA          varchar(4)  NOT NULL,
  NRJUNMESA       varchar(4)  NOT NULL,
  NRMESA          varchar(4)  NOT NULL,
  CONSTRAINT PK_MESAJUNCAO PRIMARY KEY (CDFILIAL, CDLOJA, NRJUNMESA, NRMESA)
);

-- A restaurant sale at a table, open while DTHRFECHMESA is null.
CREATE TABLE VENDAREST (
  CDFILIAL        varchar(4)  NOT NULL,
  NRVENDAREST     varchar(10) NOT NULL,
  CDLOJA          varchar(4),
  NRMESA          varchar(4),
  NRPESMESAVEN    double precision,
  DTHRABERMESA    timestamp(3),
  DTHRFECHMESA    timestamp(3),
  CDVENDEDOR      varchar(4),
  CDCLIENTE       varchar(10),
  CDCONSUMIDOR    varchar(10),
  CONSTRAINT PK_VENDAREST PRIMARY KEY (CDFILIAL, NRVENDAREST)
);

-- A comanda (order tab) of a sale.
CREATE TABLE COMANDAVEN (
  CDFILIAL        varchar(4)  NOT NULL,
  NRVENDAREST     varchar(10) NOT NULL,
  NRCOMANDA       varchar(10) NOT NULL,
  CDLOJA          varchar(4),
  DSCOMANDA       varchar(30),
  DSCOMANDAPRI    varchar(30),
  IDSTCOMANDA     varchar(1),
  IDUTILTXSERV    varchar(1),
  IDUTILCONSUMA   varchar(1),
  IDUTILCOUVERT   varchar(1),
  VRDESCOMANDA    double precision,
  VRACRCOMANDA    double precision,
  VRCOMISVENDE    double precision,
  SGSEXOCON       varchar(1),
  VRDESCFID       double precision,
  NRCPFFID4ALL    varchar(14),
  NRCPFFIDUDS     varchar(14),
  VRDESCCASHUDS   double precision,
  NRCPFINTEPROMO  varchar(14),
  IDPEDINTEPROMO  varchar(1),
  IDORGCMDVENDA   varchar(1),
  NRCPFCOREBANC   varchar(14),
  VRRESGCOREBANC  double precision,
  VRRESGCORECORP  double precision,
  VRRESGCOREQUAL  double precision,
  CONSTRAINT PK_COMANDAVEN PRIMARY KEY (CDFILIAL, NRVENDAREST, NRCOMANDA)
);

-- An item sold on a comanda.
CREATE TABLE ITCOMANDAVEN (
  CDFILIAL        varchar(4)   NOT NULL,
  NRVENDAREST     varchar(10)  NOT NULL,
  NRCOMANDA       varchar(10)  NOT NULL,
  NRPRODCOMVEN    varchar(6)   NOT NULL,
  CDPRODUTO       varchar(10)  NOT NULL,
  QTPRODCOMVEN    double precision,
  VRPRECCOMVEN    double precision,
  VRPRECCLCOMVEN  double precision,
  VRDESCCOMVEN    double precision,
  VRACRCOMVEN     double precision,
  TXPRODCOMVEN    varchar(500),
  IDSTPRCOMVEN    varchar(1),
  NRLUGARMESA     varchar(3),
  DTHRINCOMVEN    timestamp(3),
  CDLOJA          varchar(4),
  CDCAIXACOLETOR  varchar(3),
  CDVENDEDOR      varchar(4),
  CDPRODPROMOCAO  varchar(20),
  NRMESADSCOMORIT varchar(50),
  IDDIVIDECONTA   varchar(1),
  IDDESCMANUAL    varchar(1),
  NRSEQPRODCOM    varchar(3),
  CDCUPOMDESCXOL  varchar(10),
  IDPRODREFIL     varchar(1)   NOT NULL DEFAULT 'N',
  CONSTRAINT PK_ITCOMANDAVEN PRIMARY KEY (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN)
);

-- The items of a comanda, as the bill reads them (branch and comanda).
CREATE INDEX IX_ITCOMANDAVEN_COMANDA ON ITCOMANDAVEN (CDFILIAL, NRCOMANDA);

-- The comandas of a bill, found by branch and number whatever their sale.
CREATE INDEX IX_COMANDAVEN_COMANDA ON COMANDAVEN (CDFILIAL, NRCOMANDA);

-- The items of a charge product (the minimum consumption's rows on the
-- tables joined to a bill's), found by product and comanda.
CREATE INDEX IX_ITCOMANDAVEN_PRODUTO ON ITCOMANDAVEN (CDPRODUTO, NRCOMANDA);

-- The comandas grouped under a principal comanda, counted by its text.
CREATE INDEX IX_COMANDAVEN_PRINCIPAL ON COMANDAVEN (CDFILIAL, DSCOMANDAPRI);

-- The open sales of a branch (DTHRFECHMESA null), a few among years of
-- closed ones: the tables joined to a bill's are looked for among them.
CREATE INDEX IX_VENDAREST_ABERTA ON VENDAREST (CDFILIAL, DTHRFECHMESA);
