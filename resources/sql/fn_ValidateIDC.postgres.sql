-- fn_ValidateIDC for PostgreSQL: 1 when idc is a valid 18-character resident
-- ID number (GB 11643, ISO 7064 MOD 11-2), else 0 (also for NULL).
-- The rules are those of the SQL Server function: at most 18 characters are
-- looked at and trailing blanks do not count; positions 7 to 14 must be a real
-- date from the year 1753 on; the first 17 characters must be digits; the
-- check character is compared without regard to case.
create or replace function fn_ValidateIDC(idc text) returns integer
language plpgsql immutable
as $$
declare
    weights constant integer[] := array[7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2];
    code text;
    y integer;
    m integer;
    d integer;
    total integer := 0;
begin
    if idc is null then
        return 0;
    end if;
    code := rtrim(left(idc, 18), ' ');
    if char_length(code) <> 18 or substr(code, 1, 17) !~ '^[0-9]{17}$' then
        return 0;
    end if;
    y := substr(code, 7, 4)::integer;
    m := substr(code, 11, 2)::integer;
    d := substr(code, 13, 2)::integer;
    if y < 1753 or m < 1 or m > 12 or d < 1
       or d > extract(day from make_date(y, m, 1) + interval '1 month' - interval '1 day') then
        return 0;
    end if;
    for i in 1 .. 17 loop
        total := total + substr(code, i, 1)::integer * weights[i];
    end loop;
    if upper(substr(code, 18, 1)) = substr('10X98765432', total % 11 + 1, 1) then
        return 1;
    end if;
    return 0;
end
$$;
