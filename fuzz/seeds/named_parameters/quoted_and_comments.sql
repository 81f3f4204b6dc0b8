SELECT 'it''s :x', "a:b", [c:d] FROM T -- :y
WHERE A = :P_A /* :z */ AND B = :P_B