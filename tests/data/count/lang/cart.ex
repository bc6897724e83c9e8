# expect: total=24 exec=17 comment=2 blank=5
defmodule Shop.Cart do
  @moduledoc """
  A shopping cart.

  # not a comment: part of the doc text
  """

  # Adds an item.
  def add(cart, item), do: [item | cart] # trailing comment

  @doc "Sums the prices."
  def total(cart) do
    cart
    |> Enum.map(& &1.price)
    |> Enum.sum()
  end

  def label(name) do
    "Cart of #{name} # not a comment"
  end

  def note, do: 'it\'s a charlist # text'
end
