select * from Kapital_fund where id_ok=:d0 and grupa=:D1 and x=':d2' and y=:d0 -- :d3
 and "col:d4"=:d10