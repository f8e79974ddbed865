-- 居民身份证号码校验（GB 11643，ISO 7064 MOD 11-2）
-- 18 位；第 7 至 14 位是有效日期；前 17 位都是数字；校验码不区分大小写。
CREATE FUNCTION [fn_ValidateIDC] (@idc varchar(18))
RETURNS BIT
AS
BEGIN
    DECLARE @sum int, @i int, @digit int, @weight char(1)
    IF @idc IS NULL OR LEN(@idc) <> 18
        RETURN 0
    IF ISDATE(SUBSTRING(@idc, 7, 8)) = 0
        RETURN 0
    SET @sum = 0
    SET @i = 1
    WHILE @i <= 17
    BEGIN
        -- 逐位判断是否为 0-9，避免 ISNUMERIC 放过的 '.'、'e'、'+' 等字符在转换时出错
        SET @digit = ASCII(SUBSTRING(@idc, @i, 1)) - 48
        IF @digit < 0 OR @digit > 9
            RETURN 0
        SET @weight = SUBSTRING('79A584216379A5842', @i, 1)
        SET @sum = @sum + @digit * (CASE @weight WHEN 'A' THEN 10 ELSE ASCII(@weight) - 48 END)
        SET @i = @i + 1
    END
    IF UPPER(RIGHT(@idc, 1)) = SUBSTRING('10X98765432', @sum % 11 + 1, 1)
        RETURN 1
    RETURN 0
END
