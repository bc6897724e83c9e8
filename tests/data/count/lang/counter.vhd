-- expect: total=28 exec=21 comment=5 blank=2
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- An 8-bit counter with a synchronous reset.
entity counter is
  port (
    clk   : in  std_logic;
    rst   : in  std_logic;  -- active high
    count : out unsigned(7 downto 0)
  );
end entity counter;

/* A block comment (VHDL-2008).

*/
architecture rtl of counter is
  constant NAME : string := "counter -- not a comment";
  signal value  : unsigned(7 downto 0) := (others => '0');
begin
  process (clk) begin
    if rising_edge(clk) and clk'event then
      if rst = '1' then value <= (others => '0'); else value <= value + 1; end if;
    end if;
  end process;
  count <= value;
end architecture rtl;
